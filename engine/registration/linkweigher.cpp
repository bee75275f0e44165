#include "linkweigher.h"

LinkWeigher::Known* LinkWeigher::Find(Offset offset) {
  for (Known& k : known_) {
    if (k.At == offset) return &k;
  }
  return nullptr;
}

LinkEvidence LinkWeigher::Weigh(Offset offset) {
  Known* k = Find(offset);
  if (k == nullptr) k = &known_.emplace_back(Known{offset, {}, Read::Score});
  if (k->Depth != Read::Peak) {
    k->Evidence = WeighLink(first_, second_, offset);
    k->Depth = Read::Peak;
  }
  return k->Evidence;
}

LinkEvidence LinkWeigher::WeighUnlessBeaten(Offset offset) {
  if (const Known* k = Find(offset)) {
    if (k->Depth == Read::Peak || k->Depth == Read::Beaten) return k->Evidence;
    return Weigh(offset);
  }
  const LinkEvidence e = WeighLinkUnlessBeaten(first_, second_, offset);
  known_.push_back({offset, e, e.Score > 0 ? Read::Peak : Read::Beaten});
  return e;
}

double LinkWeigher::Confidence(Offset offset) {
  if (const Known* k = Find(offset)) return k->Evidence.Score;
  const double score = LinkConfidence(first_, second_, offset);
  known_.push_back({offset, {score, offset}, Read::Score});
  return score;
}

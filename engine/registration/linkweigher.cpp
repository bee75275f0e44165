#include "linkweigher.h"

LinkEvidence LinkWeigher::Weigh(Offset offset) {
  for (auto& k : known_) {
    if (k.At == offset) {
      if (!k.HasPeak) {
        k.Evidence = WeighLink(first_, second_, offset);
        k.HasPeak = true;
      }
      return k.Evidence;
    }
  }
  const LinkEvidence e = WeighLink(first_, second_, offset);
  known_.push_back({offset, e, true});
  return e;
}

double LinkWeigher::Confidence(Offset offset) {
  for (const auto& k : known_) {
    if (k.At == offset) return k.Evidence.Score;
  }
  const double score = LinkConfidence(first_, second_, offset);
  known_.push_back({offset, {score, offset}, false});
  return score;
}

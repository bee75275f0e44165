#include "linkweigher.h"

LinkEvidence LinkWeigher::Weigh(Offset offset) {
  for (const auto& [at, evidence] : known_) {
    if (at == offset) return evidence;
  }
  const LinkEvidence e = WeighLink(first_, second_, offset);
  known_.emplace_back(offset, e);
  return e;
}

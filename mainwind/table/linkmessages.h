#pragma once
// What the user is told after a stitch that left links unset, in Russian.

#include <QString>

#include "engine/linkcheck.h"

// One message naming the pairs by image number and the likely cause; empty
// when every link is set.
QString UnsetLinksMessage(const UnsetLinks& links);

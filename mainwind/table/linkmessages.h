#pragma once
// What the user is told after a stitch that left links unset, in Russian.

#include <QString>

#include "engine/linkcheck.h"
#include "engine/registration/searchmethod.h"

// One message naming the pairs by image number and the likely cause; empty
// when every link is set. method is the search that found the links: only
// another one is recommended.
QString UnsetLinksMessage(const UnsetLinks& links, SearchMethod method = SearchMethod::Template);

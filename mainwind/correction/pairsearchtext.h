#pragma once
// What the correction page tells of a pair searched again, in Russian: the
// sides and methods the user chooses from, the question whether to keep a
// found link, and why nothing was found.

#include <QString>

#include "engine/pairsearch.h"

// The child's side as seen from the parent: "справа" .. "сверху"; 0 (every
// side) is "с любой стороны".
QString SideCaption(int direction);

// The link as it stands: "смещение (215, 5) пикс., оценка 0,93", or that it is unset.
QString LinkStateText(const PairLinkState& link);

// The question after a search that found a link: what was asked, the found
// link against the present one, and whether to keep it.
QString KeepFoundLinkQuestion(const PairSearch& search);

// Why a search found nothing; empty when it found a link.
QString PairSearchFailure(const PairSearch& search);

// What keeping did beyond the link: empty when nothing needs saying.
QString KeptPairNote(const PairSearch& search, const KeptPairSearch& kept);

#pragma once
// What the program remembers beyond the six settings of data.cfg, whose bytes
// stay exactly as they are: kept in the user's preferences (QSettings,
// organisation "KORVEX", application "Pictaro Quiltor").

#include "engine/searchmethod.h"

// The overlap search's method; Template when none was stored or the stored
// name is unknown.
SearchMethod ReadSearchMethodPreference();
// False when the preferences could not be written.
bool WriteSearchMethodPreference(SearchMethod method);

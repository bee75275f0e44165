#pragma once
// What the program remembers beyond the six settings of data.cfg, whose bytes
// stay exactly as they are: kept in the user's preferences (QSettings,
// organisation "KORVEX", application "Pictaro Quiltor").

#include <QString>

#include "engine/placement/placementmethod.h"
#include "engine/registration/searchmethod.h"
#include "imagefiles/imagefiles.h"

// The overlap search's method; Template when none was stored or the stored
// name is unknown.
SearchMethod ReadSearchMethodPreference();
// False when the preferences could not be written.
bool WriteSearchMethodPreference(SearchMethod method);

// The placement rule; the chain when none was stored or the stored name is unknown.
PlacementMethod ReadPlacementMethodPreference();
// False when the preferences could not be written.
bool WritePlacementMethodPreference(PlacementMethod method);

// The last folder images were opened from and the last one a mosaic was saved to.
// The folder (ending with '/'), or empty when none was kept or it is gone.
QString RememberedOpenFolder();
QString RememberedSaveFolder();

// folder ends with '/'; an empty one is not kept.
void RememberOpenFolder(const QString& folder);
void RememberSaveFolder(const QString& folder);

// The JPEG quality and TIFF compression chosen last (the defaults at first).
PixSaveOptions RememberedSaveOptions();
void RememberSaveOptions(const PixSaveOptions& options);

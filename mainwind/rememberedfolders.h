#pragma once
// The last folder images were opened from, the last one a mosaic was saved
// to and the save options chosen, kept across runs in the program's preferences (never in
// data.cfg).

#include <QString>

#include "imagefiles/imagefiles.h"

// The folder (ending with '/'), or empty when none was kept or it is gone.
QString RememberedOpenFolder();
QString RememberedSaveFolder();

// folder ends with '/'; an empty one is not kept.
void RememberOpenFolder(const QString& folder);
void RememberSaveFolder(const QString& folder);

// The JPEG quality and TIFF compression chosen last (the defaults at first).
PixSaveOptions RememberedSaveOptions();
void RememberSaveOptions(const PixSaveOptions& options);

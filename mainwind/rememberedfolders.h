#pragma once
// The last folder images were opened from and the last one a mosaic was
// saved to, kept across runs in the program's preferences (never in data.cfg).

#include <QString>

// The folder (ending with '/'), or empty when none was kept or it is gone.
QString RememberedOpenFolder();
QString RememberedSaveFolder();

// folder ends with '/'; an empty one is not kept.
void RememberOpenFolder(const QString& folder);
void RememberSaveFolder(const QString& folder);

#pragma once
// Scanner work off the window's thread: a modal progress window with a
// cancel button stands over the program while the window goes on painting.

#include <QString>
#include <atomic>
#include <functional>

#include "capture/scanner/scanner.h"

class QWidget;

// Returns when work has finished. cancel, when given, is set by the window's
// button (or its closing); work reads it. progress moves the bar; a work
// that never calls it shows a busy bar.
void RunScannerWork(QWidget* parent, const QString& text, std::atomic<bool>* cancel,
                    const std::function<void(const ScanProgress& progress)>& work);

// Tests see the progress window while it is up.
using ScannerWorkWatcher = std::function<void(QWidget* window)>;
void SetScannerWorkWatcher(ScannerWorkWatcher watcher);

#pragma once
// The image file library's open and save dialogs. File names are UTF-8.

#include <functional>
#include <string>
#include <vector>

// The chosen files in the order the dialog gives them; empty when cancelled.
// A list rather than one text with a name per line, so a name may hold any character.
// places: further folders offered in the dialog's side bar and history.
std::vector<std::string> PixOpenDialog(const std::string& title, const std::string& initialFolder,
                                       const std::vector<std::string>& places = {});

struct PixSaveOptions;

// The chosen file name; empty when cancelled. Given options, the dialog also
// offers "TIFF, пирамида", and options->Pyramid says whether a .tif chose it.
std::string PixSaveDialog(const std::string& title, const std::string& initialName,
                          PixSaveOptions* options = nullptr);

// For a JPEG or TIFF file name, asks the quality or the compression (of the
// tiles and their JPEG quality for a pyramid), starting
// from options; false when the user cancelled. Other formats have no choice:
// true at once.
bool PixSaveOptionsDialog(const std::string& fileName, PixSaveOptions& options);

// Tests answer in place of the user; an empty function brings the dialog back.
using PixOpenAnswer =
    std::function<std::vector<std::string>(const std::string& title, const std::string& folder)>;
using PixSaveAnswer =
    std::function<std::string(const std::string& title, const std::string& initialName)>;
// For a dialog that offers the pyramid: pyramid says the filter chosen.
using PixSavePyramidAnswer = std::function<std::string(
    const std::string& title, const std::string& initialName, bool& pyramid)>;
using PixSaveOptionsAnswer =
    std::function<bool(const std::string& fileName, PixSaveOptions& options)>;
void SetPixSaveOptionsAnswer(PixSaveOptionsAnswer answer);
void SetPixOpenAnswer(PixOpenAnswer answer);
void SetPixSaveAnswer(PixSaveAnswer answer);
void SetPixSavePyramidAnswer(PixSavePyramidAnswer answer);

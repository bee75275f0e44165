#pragma once
// What the user is told about an image file that failed, in Russian.

#include <QString>
#include <string>

#include "imagefiles/imagefiles.h"

// The reason of a failed load or save, as a phrase.
QString DescribePixError(PixError error);

// The message for a mosaic that could not be written to fileName.
QString SaveFailedMessage(const std::string& fileName, const PixStatus& status);

// A mosaic too large for the chosen format, with a format that holds it.
QString TooLargeForFormatMessage(const std::string& fileName, int width, int height);

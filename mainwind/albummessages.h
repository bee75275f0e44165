#pragma once
// What the user is told about loading and saving images, in Russian.

#include <QString>

#include "imagefiles/imagefiles.h"
#include "mainwind/albumloader.h"

// The reason of a failed load or save, as a phrase.
QString DescribePixError(PixError error);

// One message for a finished open command; empty when everything was added.
QString AlbumLoadMessage(const AlbumLoadReport& report);

// The message for a mosaic that could not be written to fileName.
QString SaveFailedMessage(const std::string& fileName, const PixStatus& status);

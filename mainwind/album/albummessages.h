#pragma once
// What the user is told after the open command, in Russian.

#include <QString>

#include "mainwind/album/albumloader.h"

// One message for a finished open command; empty when everything was added.
QString AlbumLoadMessage(const AlbumLoadReport& report);

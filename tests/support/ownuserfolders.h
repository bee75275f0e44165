#pragma once
// Points HOME and the XDG configuration, data and cache folders at a fresh
// temporary folder for as long as the object lives, so that no test reads or
// writes the configuration of the person running it (file dialogs keep their
// history there). Create it before the application object.

#include <QString>
#include <QTemporaryDir>

class OwnUserFolders {
 public:
  OwnUserFolders();
  OwnUserFolders(const OwnUserFolders&) = delete;
  OwnUserFolders& operator=(const OwnUserFolders&) = delete;

  QString Home() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

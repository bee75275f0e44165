#pragma once
// Where the program keeps its files: "data.cfg" and the "Image" folder sit in
// the program's own folder; when that folder cannot be written (a program
// installed for the whole system), the same names go into the user's
// configuration and pictures folders instead, so nothing is silently lost.

#include <QString>

struct ProgramPaths {
  QString ProgramFolder;        // folder of the running executable, ends with '/'
  QString ImageFolder;          // ends with '/'
  QString ConfigPath;           // full path of "data.cfg"
  bool InProgramFolder = true;  // false when the user's folders stand in
};

// programFile is the executable's path; the user folders are used when the
// program folder is not writable, or when it is systemProgramFolder (the
// folder a package installs the program into, which even root must not fill
// with settings and pictures). An empty systemProgramFolder names none.
ProgramPaths ResolveProgramPaths(const QString& programFile, const QString& userConfigFolder,
                                 const QString& userPicturesFolder,
                                 const QString& systemProgramFolder = {});

// The paths of this run: the running executable and the user's standard folders.
ProgramPaths CurrentProgramPaths();

// Whether a file can be created in folder (tried, not guessed from permissions).
bool FolderWritable(const QString& folder);

// Creates the image folder and the settings file's folder when missing;
// false when either could not be made.
bool EnsureProgramFolders(const ProgramPaths& paths);

#pragma once
// Names of a capture project: its folder, its numbered frame files and the
// numbered scan files. Folder texts end with '/'.

#include <optional>
#include <string>

// projectDir + projectName + "_" + frameCount with at least four digits + ".bmp".
std::string FrameFileName(const std::string& projectDir, const std::string& projectName,
                          int frameCount);

// path with number appended to its name part (before the extension, which
// starts at the last '.' of the last component) when flag is set; otherwise path.
std::string NumberedFileName(const std::string& path, int number, bool flag);

// The scan command's file name: NumberedFileName(scanFile, counter, autoNum),
// counter moving on by one. With numbering on, numbers whose file exists are
// passed over, so a scan of an earlier run is never overwritten.
std::string NextScanFileName(const std::string& scanFile, int& counter, bool autoNum);

// The project's own folder (baseDir + name + "/") when ownFolder, else baseDir.
std::string ProjectDirFor(const std::string& baseDir, const std::string& name, bool ownFolder);

// Creates the folder and its parents when missing; false when it does not
// exist afterwards.
bool MakeProjectDir(const std::string& projectDir);

// Why a name cannot name project files on Linux or Windows.
enum class ProjectNameFault { None, ForbiddenCharacter, Dots, OuterBlank, TooLong };
ProjectNameFault CheckProjectName(const std::string& name);

// CheckProjectName's fault in Russian for the user; empty when it can. An empty name is no problem
// here: it starts no project at all.
std::string ProjectNameProblem(const std::string& name);

// The highest N for which a frame file FrameFileName(projectDir, projectName, N)
// exists, or none.
std::optional<int> LastExistingFrameNumber(const std::string& projectDir,
                                           const std::string& projectName);

#pragma once
// Writing a small file so that it is either complete or untouched.

#include <string>

// Writes bytes to a temporary file beside path and renames it over path, so a
// failed write never leaves a partial file. Returns "" or the reason.
std::string WriteFileWhole(const std::string& path, const std::string& bytes);

#pragma once
// Text that leaves the program is UTF-8, whatever bytes file names hold.

#include <string>
#include <string_view>

// bytes with every sequence that is not UTF-8 replaced by U+FFFD, one per
// bad byte, as the system's own UTF-8 decoding shows such a name.
std::string ValidUtf8(std::string_view bytes);

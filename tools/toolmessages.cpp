#include "toolmessages.h"

#include <exception>
#include <new>

#include "formats/utf8text.h"

void PrintMessage(std::FILE* stream, const char* tool, const std::string& text) {
  std::fprintf(stream, "%s: %s\n", tool, ValidUtf8(text).c_str());
}

void PrintWarning(const char* tool, const std::string& text) {
  PrintMessage(stderr, tool, "warning: " + text);
}

int RunGuarded(const char* tool, const std::function<int()>& run) {
  try {
    return run();
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: not enough memory\n", tool);
    return 1;
  } catch (const std::exception& e) {
    PrintMessage(stderr, tool, std::string("internal error: ") + e.what());
  } catch (...) {
    PrintMessage(stderr, tool, "internal error");
  }
  return 1;
}

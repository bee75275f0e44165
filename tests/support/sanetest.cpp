#include "support/sanetest.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A PNM header field: skips blanks and comments.
bool ReadField(std::istream& in, int& value) {
  for (;;) {
    const int c = in.peek();
    if (c == '#') {
      std::string comment;
      std::getline(in, comment);
    } else if (std::isspace(c)) {
      in.get();
    } else {
      break;
    }
  }
  return static_cast<bool>(in >> value);
}

std::optional<Bitmap> ParsePnm(const std::string& data) {
  std::istringstream in(data);
  std::string magic;
  in >> magic;
  int width = 0;
  int height = 0;
  int maxValue = 1;
  if (!ReadField(in, width) || !ReadField(in, height)) return std::nullopt;
  if (magic != "P4" && !ReadField(in, maxValue)) return std::nullopt;
  in.get();  // the single blank before the samples
  const int channels = magic == "P6" ? 3 : 1;
  const int bytesPerSample = maxValue > 255 ? 2 : 1;
  Bitmap image(width, height);
  std::vector<unsigned char> line(
      magic == "P4" ? (width + 7) / 8 : static_cast<size_t>(width) * channels * bytesPerSample);
  for (int y = 0; y < height; ++y) {
    if (!in.read(reinterpret_cast<char*>(line.data()), static_cast<std::streamsize>(line.size()))) {
      return std::nullopt;
    }
    for (int x = 0; x < width; ++x) {
      uint8_t rgb[3];
      for (int c = 0; c < 3; ++c) {
        const int i = x * channels + (channels == 3 ? c : 0);
        if (magic == "P4") {
          rgb[c] = (line[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
        } else if (bytesPerSample == 2) {
          const unsigned value = line[i * 2] << 8 | line[i * 2 + 1];  // big-endian in PNM
          rgb[c] = static_cast<uint8_t>((value * 255 + 32767) / 65535);
        } else {
          rgb[c] = static_cast<uint8_t>(line[i] * 255 / maxValue);
        }
      }
      uint8_t* pixel = image.Pixel(x, y);
      pixel[0] = rgb[2];
      pixel[1] = rgb[1];
      pixel[2] = rgb[0];
    }
  }
  return image;
}

// The scanner library and the test back end stay mapped for the whole test
// run, so the leak checker can still name them (and its suppressions match)
// after our binding unloads them: both keep a few allocations for good.
void PinSaneLibraries() {
  static const bool pinned = [] {
    void* library = dlopen("libsane.so.1", RTLD_NOW | RTLD_NODELETE);
    char folder[PATH_MAX] = {};
    if (library != nullptr && dlinfo(library, RTLD_DI_ORIGIN, folder) == 0) {
      dlopen((std::string(folder) + "/sane/libsane-test.so.1").c_str(), RTLD_NOW | RTLD_NODELETE);
    }
    return true;
  }();
  (void)pinned;
}

}  // namespace

// The scanner library and its test back end keep a few allocations across
// init and exit; they are theirs, not ours. (Test programs listed one test at
// a time get only part of the test environment, so the suppressions live here.)
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libsane.so\nleak:libsane-test.so\n";
}

// Made once, removed when the program ends.
static const std::string& ConfigFolder() {
  static const struct Folder {
    Folder() {
      char pattern[] = "/tmp/quiltor-sane-XXXXXX";
      const char* made = mkdtemp(pattern);
      if (made == nullptr) throw std::runtime_error("no temporary folder for SANE");
      Path = made;
    }
    ~Folder() {
      std::error_code error;
      std::filesystem::remove_all(Path, error);
    }
    std::string Path;
  } folder;
  return folder.Path;
}

SaneTestConfig::SaneTestConfig() {
  PinSaneLibraries();
  SetBackEnds("test\n");
  std::ofstream(ConfigFolder() + "/test.conf") << "number_of_devices 2\n";
  if (const char* old = getenv("SANE_CONFIG_DIR")) previous_ = old;
  setenv("SANE_CONFIG_DIR", ConfigFolder().c_str(), 1);
}

SaneTestConfig::~SaneTestConfig() {
  if (previous_) {
    setenv("SANE_CONFIG_DIR", previous_->c_str(), 1);
  } else {
    unsetenv("SANE_CONFIG_DIR");
  }
}

void SaneTestConfig::SetBackEnds(const std::string& lines) {
  std::ofstream(ConfigFolder() + "/dll.conf") << lines;
}

std::optional<Bitmap> ScanimageReference(const std::vector<std::string>& options) {
  std::string command = "scanimage -d test:0 --format=pnm";
  // Appended in two steps: GCC 12 at -O3 takes " " + std::string&& for an
  // overlapping copy (-Wrestrict) that cannot happen.
  for (const std::string& option : options) {
    command += ' ';
    command += Quoted(option);
  }
  command += " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string data;
  char buffer[65536];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) data.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  return ParsePnm(data);
}

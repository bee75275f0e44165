#include "formats/wholefile.h"

#include <filesystem>
#include <fstream>
#include <random>

std::string WriteFileWhole(const std::string& path, const std::string& bytes) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  std::random_device rd;
  fs::path temp = target;
  temp += ".part" + std::to_string(rd() % 1000000);
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return "cannot create " + temp.string();
    out << bytes;
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      fs::remove(temp, ignored);
      return "cannot write " + temp.string();
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return ec.message();
  }
  return "";
}

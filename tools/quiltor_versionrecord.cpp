// Build-time tool: writes a C file holding a version record as an array in
// the ".quiltor_version" section, which the binary then carries.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "formats/exeimage.h"
#include "formats/versionrecordwriter.h"

namespace {

constexpr uint32_t kFileTypeApp = 1;
constexpr uint32_t kFileTypeDll = 2;
constexpr uint32_t kFlagsMaskAll = 0x3F;

uint32_t ParseTranslation(const std::string& text) {
  if (text.size() != 8 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    throw CLI::ValidationError("--translation", "eight hex digits, language then code page");
  }
  const uint32_t language = std::stoul(text.substr(0, 4), nullptr, 16);
  const uint32_t codePage = std::stoul(text.substr(4), nullptr, 16);
  return language | codePage << 16;
}

std::pair<uint32_t, uint32_t> Version(const std::string& text, const char* option) {
  const auto parsed = ParseFourPartVersion(text);
  if (!parsed) throw CLI::ValidationError(option, "four numbers 0..65535 separated by dots");
  return *parsed;
}

std::string CArray(const std::vector<uint8_t>& bytes) {
  std::string out;
  char item[8];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(item, sizeof item, "0x%02x,", bytes[i]);
    out += item;
    out += (i % 16 == 15) ? "\n" : " ";
  }
  return out;
}

int Run(int argc, char** argv) {
  CLI::App app{"Writes a version record as a C array in its own section."};
  std::string output, fileType = "app", fileVersion, productVersion, translation;
  std::vector<std::string> strings;
  app.add_option("-o,--output", output, "C file to write")->required();
  app.add_option("--file-type", fileType, "app or dll")->check(CLI::IsMember({"app", "dll"}));
  app.add_option("--file-version", fileVersion, "a.b.c.d")->required();
  app.add_option("--product-version", productVersion, "a.b.c.d")->required();
  app.add_option("--translation", translation, "language and code page, e.g. 041904E3")->required();
  app.add_option("--string", strings, "Key=Value, UTF-8");
  CLI11_PARSE(app, argc, argv);

  try {
    VersionRecordContent content;
    content.Fixed.Signature = kFixedFileInfoSignature;
    content.Fixed.StructVersion = 0x00010000;
    std::tie(content.Fixed.FileVersionMS, content.Fixed.FileVersionLS) =
        Version(fileVersion, "--file-version");
    std::tie(content.Fixed.ProductVersionMS, content.Fixed.ProductVersionLS) =
        Version(productVersion, "--product-version");
    content.Fixed.FlagsMask = kFlagsMaskAll;
    content.Fixed.FileType = fileType == "dll" ? kFileTypeDll : kFileTypeApp;
    const uint32_t word = ParseTranslation(translation);
    VersionStringTable table{TranslationText(word), {}};
    for (const std::string& s : strings) {
      const size_t eq = s.find('=');
      if (eq == std::string::npos || eq == 0)
        throw CLI::ValidationError("--string", "Key=Value: " + s);
      table.Strings.emplace_back(s.substr(0, eq), s.substr(eq + 1));
    }
    content.Tables.push_back(std::move(table));
    content.Translations = std::vector<uint32_t>{word};
    const std::vector<uint8_t> record = WriteVersionRecord(content);

    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << "/* Written by quiltor-versionrecord at build time. */\n"
        << "__attribute__((section(\"" << kVersionSectionName << "\"), used, retain, aligned(4)))\n"
        << "static const unsigned char quiltor_version_record[" << record.size() << "] = {\n"
        << CArray(record) << "};\n";
    out.close();
    if (!out) {
      std::cerr << "quiltor-versionrecord: cannot write " << output << "\n";
      std::remove(output.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::cerr << "quiltor-versionrecord: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Building the command line itself may throw; nothing escapes main.
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "quiltor-versionrecord: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "quiltor-versionrecord: unknown error\n";
  }
  return 1;
}

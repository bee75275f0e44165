// Text leaving the program is UTF-8 whatever bytes it was made of.
#include <gtest/gtest.h>

#include "formats/utf8text.h"

namespace {

TEST(ValidUtf8, KeepsUtf8AndReplacesEachBadByte) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain.bmp", "plain.bmp"},
      {"Змейка_0000.bmp", "Змейка_0000.bmp"},
      {"\xF0\x9F\x93\xB7", "\xF0\x9F\x93\xB7"},                  // U+1F4F7, four bytes
      {"\xcf\xf0\xee", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // cp1251 "Про"
      {"caf\xe9.bmp", "caf\xEF\xBF\xBD.bmp"},                    // a lone Latin-1 byte
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // overlong '/'
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // cut short
  };
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(ValidUtf8(bytes), expected) << bytes;
  }
}

}  // namespace

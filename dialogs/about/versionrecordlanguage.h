#pragma once
// Names of Windows language identifiers (LANGID) through QLocale.

#include <QString>

#include <cstdint>

// "русский (Россия)" for 0x0419: the language and territory in their own
// language. Empty for an identifier without a known locale.
QString VersionLanguageName(uint16_t languageId);

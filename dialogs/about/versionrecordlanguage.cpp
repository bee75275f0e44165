#include "dialogs/about/versionrecordlanguage.h"

#include <QLocale>

#include <algorithm>
#include <iterator>

namespace {

struct LanguageEntry {
  uint16_t Id;
  QLocale::Language Language;
  QLocale::Territory Territory;
};

// Full identifiers first; a primary language (low 10 bits) falls back to the
// first row with that primary language.
constexpr LanguageEntry kLanguages[] = {
    {0x0419, QLocale::Russian, QLocale::Russia},
    {0x0409, QLocale::English, QLocale::UnitedStates},
    {0x0809, QLocale::English, QLocale::UnitedKingdom},
    {0x0422, QLocale::Ukrainian, QLocale::Ukraine},
    {0x0423, QLocale::Belarusian, QLocale::Belarus},
    {0x043F, QLocale::Kazakh, QLocale::Kazakhstan},
    {0x0407, QLocale::German, QLocale::Germany},
    {0x0C07, QLocale::German, QLocale::Austria},
    {0x040C, QLocale::French, QLocale::France},
    {0x0410, QLocale::Italian, QLocale::Italy},
    {0x0C0A, QLocale::Spanish, QLocale::Spain},
    {0x0416, QLocale::Portuguese, QLocale::Brazil},
    {0x0816, QLocale::Portuguese, QLocale::Portugal},
    {0x0415, QLocale::Polish, QLocale::Poland},
    {0x0405, QLocale::Czech, QLocale::CzechRepublic},
    {0x0402, QLocale::Bulgarian, QLocale::Bulgaria},
    {0x041A, QLocale::Croatian, QLocale::Croatia},
    {0x040E, QLocale::Hungarian, QLocale::Hungary},
    {0x0413, QLocale::Dutch, QLocale::Netherlands},
    {0x041D, QLocale::Swedish, QLocale::Sweden},
    {0x040B, QLocale::Finnish, QLocale::Finland},
    {0x0406, QLocale::Danish, QLocale::Denmark},
    {0x0414, QLocale::NorwegianBokmal, QLocale::Norway},
    {0x0408, QLocale::Greek, QLocale::Greece},
    {0x041F, QLocale::Turkish, QLocale::Turkey},
    {0x040D, QLocale::Hebrew, QLocale::Israel},
    {0x0401, QLocale::Arabic, QLocale::SaudiArabia},
    {0x0411, QLocale::Japanese, QLocale::Japan},
    {0x0412, QLocale::Korean, QLocale::SouthKorea},
    {0x0804, QLocale::Chinese, QLocale::China},
    {0x0404, QLocale::Chinese, QLocale::Taiwan},
};

}  // namespace

QString VersionLanguageName(uint16_t languageId) {
  const auto exact = std::find_if(std::begin(kLanguages), std::end(kLanguages),
                                  [&](const LanguageEntry& e) { return e.Id == languageId; });
  const auto primary =
      std::find_if(std::begin(kLanguages), std::end(kLanguages),
                   [&](const LanguageEntry& e) { return (e.Id & 0x3FF) == (languageId & 0x3FF); });
  const auto found = exact != std::end(kLanguages) ? exact : primary;
  if (found == std::end(kLanguages)) return {};
  const QLocale locale(found->Language,
                       exact != std::end(kLanguages) ? found->Territory : QLocale::AnyTerritory);
  QString language = locale.nativeLanguageName();
  if (exact == std::end(kLanguages)) return language;
  return language + QStringLiteral(" (") + locale.nativeTerritoryName() + QLatin1Char(')');
}

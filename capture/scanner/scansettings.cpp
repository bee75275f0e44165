#include "capture/scanner/scansettings.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr char kMode[] = "mode";
constexpr char kDepth[] = "depth";
constexpr char kResolution[] = "resolution";
constexpr char kEdges[4][5] = {"tl-x", "tl-y", "br-x", "br-y"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// Which of our modes a device's mode name is, if any.
std::optional<ScanColour> ColourOfMode(const std::string& mode) {
  const std::string name = Lower(mode);
  if (Contains(name, "lineart") || Contains(name, "line art") || Contains(name, "binary") ||
      Contains(name, "black & white") || Contains(name, "black and white") ||
      Contains(name, "halftone")) {
    return Contains(name, "color") || Contains(name, "colour") ? std::nullopt
                                                               : std::optional(ScanColour::LineArt);
  }
  if (Contains(name, "color") || Contains(name, "colour") || name == "rgb")
    return ScanColour::Colour;
  if (Contains(name, "gray") || Contains(name, "grey")) return ScanColour::Grey;
  return std::nullopt;
}

const ScanOption* Usable(const std::vector<ScanOption>& options, const char* name) {
  const ScanOption* option = FindScanOption(options, name);
  if (option == nullptr || !option->Active || !option->Settable) return nullptr;
  return option;
}

bool IsNumeric(const ScanOption& option) {
  return option.Type == ScanValueType::Int || option.Type == ScanValueType::Fixed;
}

ScanNumberChoice NumberChoice(const ScanOption& option) {
  return {option.Name, option.Unit, option.Range, option.Numbers, option.Number};
}

bool ListsOne(const ScanOption* depth) {
  return depth != nullptr &&
         std::find(depth->Numbers.begin(), depth->Numbers.end(), 1.0) != depth->Numbers.end();
}

bool HasBitDepth(const ScanOption* depth, double bits) {
  if (depth == nullptr) return false;
  if (depth->Range) return bits >= depth->Range->Min && bits <= depth->Range->Max;
  return std::find(depth->Numbers.begin(), depth->Numbers.end(), bits) != depth->Numbers.end();
}

// Keeps the first refusal.
void Apply(std::string& first, std::string problem) {
  if (first.empty()) first = std::move(problem);
}

}  // namespace

std::optional<std::string> DeviceModeName(const std::vector<std::string>& modes,
                                          ScanColour colour) {
  for (const std::string& mode : modes) {
    if (ColourOfMode(mode) == colour) return mode;
  }
  return std::nullopt;
}

ScanCapabilities DescribeScanner(const std::vector<ScanOption>& options) {
  ScanCapabilities caps;
  const ScanOption* mode = Usable(options, kMode);
  const ScanOption* depth = Usable(options, kDepth);
  if (depth != nullptr && !IsNumeric(*depth)) depth = nullptr;
  if (mode != nullptr && mode->Type == ScanValueType::String) {
    for (ScanColour colour : {ScanColour::Colour, ScanColour::Grey, ScanColour::LineArt}) {
      const bool asGreyBits = colour == ScanColour::LineArt &&
                              DeviceModeName(mode->Strings, ScanColour::Grey) && ListsOne(depth);
      if (DeviceModeName(mode->Strings, colour) || asGreyBits) caps.Colours.push_back(colour);
    }
    caps.CurrentColour = ColourOfMode(mode->Text);
    if (caps.CurrentColour == ScanColour::Grey && depth != nullptr && depth->Number == 1 &&
        !DeviceModeName(mode->Strings, ScanColour::LineArt)) {
      caps.CurrentColour = ScanColour::LineArt;
    }
  }
  if (const ScanOption* resolution = Usable(options, kResolution);
      resolution != nullptr && IsNumeric(*resolution)) {
    caps.Resolution = NumberChoice(*resolution);
  }
  if (depth != nullptr) caps.Depth = NumberChoice(*depth);
  const ScanOption* edges[4];
  bool area = true;
  for (int i = 0; i < 4; ++i) {
    edges[i] = Usable(options, kEdges[i]);
    area = area && edges[i] != nullptr && IsNumeric(*edges[i]) && edges[i]->Range;
  }
  if (area) {
    caps.HasArea = true;
    caps.AreaUnit = edges[0]->Unit;
    caps.FullArea = {edges[0]->Range->Min, edges[1]->Range->Min, edges[2]->Range->Max,
                     edges[3]->Range->Max};
    caps.Area = {edges[0]->Number, edges[1]->Number, edges[2]->Number, edges[3]->Number};
  }
  caps.HasPreview = Usable(options, "preview") != nullptr;
  return caps;
}

std::string ApplyScanChoices(ScannerSession& session, const ScanChoices& choices) {
  std::string first;
  if (choices.Colour) {
    const std::vector<ScanOption> options = session.Options();
    const ScanOption* mode = Usable(options, kMode);
    const ScanOption* depth = Usable(options, kDepth);
    const std::vector<std::string> modes =
        mode != nullptr ? mode->Strings : std::vector<std::string>{};
    std::optional<std::string> name = DeviceModeName(modes, *choices.Colour);
    const bool greyBits = !name && *choices.Colour == ScanColour::LineArt;
    if (greyBits) name = DeviceModeName(modes, ScanColour::Grey);
    if (!name)
      return "Сканер не умеет режим «" + std::string(ScanColourName(*choices.Colour)) + "».";
    Apply(first, session.SetText(kMode, *name));
    if (greyBits) {
      Apply(first, session.SetNumber(kDepth, 1));
    } else if (*choices.Colour != ScanColour::LineArt && depth != nullptr) {
      // Back from grey line art: a bit a sample would stay otherwise.
      const double bits = choices.Depth.value_or(8);
      if (HasBitDepth(FindScanOption(session.Options(), kDepth), bits)) {
        Apply(first, session.SetNumber(kDepth, bits));
      }
    }
  } else if (choices.Depth) {
    Apply(first, session.SetNumber(kDepth, *choices.Depth));
  }
  if (choices.Resolution) Apply(first, session.SetNumber(kResolution, *choices.Resolution));
  if (choices.Area) {
    // Bottom-right first, so a new top-left never lies beyond the old bottom-right.
    Apply(first, session.SetNumber(kEdges[2], choices.Area->Right));
    Apply(first, session.SetNumber(kEdges[3], choices.Area->Bottom));
    Apply(first, session.SetNumber(kEdges[0], choices.Area->Left));
    Apply(first, session.SetNumber(kEdges[1], choices.Area->Top));
  }
  return first;
}

const char* ScanColourName(ScanColour colour) {
  switch (colour) {
    case ScanColour::Colour: return "Цветной";
    case ScanColour::Grey: return "Оттенки серого";
    default: return "Штриховой";
  }
}

const char* ScanUnitSuffix(ScanUnit unit) {
  switch (unit) {
    case ScanUnit::Pixel: return " пикс.";
    case ScanUnit::Bit: return " бит";
    case ScanUnit::Mm: return " мм";
    case ScanUnit::Dpi: return " точек/дюйм";
    case ScanUnit::Percent: return " %";
    case ScanUnit::Microsecond: return " мкс";
    default: return "";
  }
}

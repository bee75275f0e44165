#pragma once
// The ways the overlap search can find a link, and their names in
// preferences and on the command line.

#include <optional>
#include <string_view>

// Template is the search the six settings steer; Phase correlates the facing
// zones' spectra; TemplatePhase runs the template search and, where its link
// is weak, phase correlation too, keeping the better-scoring link.
enum class SearchMethod { Template, Phase, TemplatePhase };

struct SearchMethodName {
  SearchMethod Method;
  std::string_view Key;  // "template", "phase", "template-phase"
};

inline constexpr SearchMethodName kSearchMethods[] = {
    {SearchMethod::Template, "template"},
    {SearchMethod::Phase, "phase"},
    {SearchMethod::TemplatePhase, "template-phase"},
};

inline std::string_view SearchMethodKey(SearchMethod method) {
  for (const SearchMethodName& n : kSearchMethods) {
    if (n.Method == method) return n.Key;
  }
  return kSearchMethods[0].Key;
}

inline std::optional<SearchMethod> SearchMethodFromKey(std::string_view key) {
  for (const SearchMethodName& n : kSearchMethods) {
    if (n.Key == key) return n.Method;
  }
  return std::nullopt;
}

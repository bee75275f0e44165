#pragma once
// The placement rules the program offers, and their names in preferences and
// on the command line.

#include <optional>
#include <string_view>

// Chain places each image from its link to the one before it; Neighbours
// fits all images to the links of every pair of neighbours.
enum class PlacementMethod { Chain, Neighbours };

struct PlacementMethodName {
  PlacementMethod Method;
  std::string_view Key;  // "chain", "neighbours"
};

inline constexpr PlacementMethodName kPlacementMethods[] = {
    {PlacementMethod::Chain, "chain"},
    {PlacementMethod::Neighbours, "neighbours"},
};

inline std::string_view PlacementMethodKey(PlacementMethod method) {
  for (const PlacementMethodName& n : kPlacementMethods) {
    if (n.Method == method) return n.Key;
  }
  return {};
}

inline std::optional<PlacementMethod> PlacementMethodFromKey(std::string_view key) {
  for (const PlacementMethodName& n : kPlacementMethods) {
    if (n.Key == key) return n.Method;
  }
  return std::nullopt;
}

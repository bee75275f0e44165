#pragma once
// The six status bar panels of the assembly page.

#include <QStringList>

struct AssemblyFacts {
  int ImageCount = 0;
  int PictureWidth = 0;  // pixels, full resolution
  int PictureHeight = 0;
  float Zoom = 1.0f;
  bool Smoothed = false;  // seam smoothing toggle down
  bool Cropped = false;   // crop toggle down
  bool Working = false;   // the picture is being rebuilt
};

constexpr int kStatusPanelCount = 6;

// Exactly kStatusPanelCount texts, panel 0 first.
QStringList AssemblyStatusTexts(const AssemblyFacts& facts);

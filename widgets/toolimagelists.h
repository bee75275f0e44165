#pragma once
// The toolbar pictures in three looks, kept as three parallel lists: normal,
// hot (under the mouse) and disabled. Pictures come from the icon theme; where
// the theme lacks one, a plain picture is drawn.

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

constexpr int kToolIconSide = 48;

class ToolImageLists {
 public:
  // Adds the theme icon themeName in its three looks; glyph labels the drawn
  // stand-in. Returns the index of the new entry.
  int Add(const QString& themeName, const QString& glyph);
  // An icon carrying all three looks of entry index.
  QIcon Icon(int index) const;
  int Count() const { return static_cast<int>(DefMainImageList.size()); }

  QList<QPixmap> DefMainImageList;
  QList<QPixmap> ActiveMainImageList;
  QList<QPixmap> DisMainImageList;
};

// The normal picture for a theme name, or a drawn stand-in.
QPixmap ThemePictureOrDrawn(const QString& themeName, const QString& glyph);
// The hot look: lighter. The disabled look: grey and faded.
QPixmap HotLook(const QPixmap& normal);
QPixmap DisabledLook(const QPixmap& normal);

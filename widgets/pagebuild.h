#pragma once
// Building blocks of the main window's pages: named controls, tight columns,
// toolbars, scroll boxes with a picture, and toolbar buttons in three looks.

#include <QObject>
#include <QSize>
#include <QString>
#include <QToolButton>

#include "widgets/named.h"

class PictureControl;
class QAction;
class QScrollArea;
class QToolBar;
class QVBoxLayout;
class QWidget;
class ToolImageLists;

// The buttons of the images and capture pages' toolbars.
constexpr QSize kImagesButton{59, 54};

// A vertical layout without margins or spacing.
QVBoxLayout* Column(QWidget* owner);
QToolBar* MakeToolBar(QWidget* parent, const char* name);

// A scroll box holding a picture. A stretched picture gets its size from the
// window, the others from their bitmap; a centred box keeps a smaller picture
// where CenterInBox puts it.
QScrollArea* MakeScrollBox(QWidget* parent, const char* name, PictureControl*& picture,
                           const char* pictureName, bool stretch,
                           Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);

// Adds button to bar with its hint, the theme icon iconName in the three looks
// of lists (glyph labels a drawn stand-in); hint and glyph are UTF-8. Returns
// the bar's action for the button: hiding the action hides the button.
QAction* AddToolButton(QToolBar* bar, ToolImageLists& lists, QToolButton*& button, const char* name,
                       const char* hint, const char* iconName, const char* glyph, QSize size);

// Runs handler of receiver whenever button is clicked.
template <typename T>
void OnClick(QToolButton* button, T* receiver, void (T::*handler)()) {
  QObject::connect(button, &QToolButton::clicked, receiver, handler);
}

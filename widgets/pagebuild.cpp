#include "widgets/pagebuild.h"

#include <QAction>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "widgets/picturecontrol.h"
#include "widgets/scrollbox.h"
#include "widgets/toolimagelists.h"

QVBoxLayout* Column(QWidget* owner) {
  auto* layout = new QVBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout;
}

QToolBar* MakeToolBar(QWidget* parent, const char* name) {
  auto* bar = Named(new QToolBar(parent), name);
  bar->setIconSize(QSize(kToolIconSide, kToolIconSide));
  bar->setMovable(false);
  return bar;
}

QScrollArea* MakeScrollBox(QWidget* parent, const char* name, PictureControl*& picture,
                           const char* pictureName, bool stretch, Qt::Alignment alignment) {
  QScrollArea* box = alignment == Qt::AlignCenter ? new ScrollBox(parent) : new QScrollArea(parent);
  Named(box, name);
  box->setWidgetResizable(false);
  box->setAlignment(alignment);
  picture = Named(new PictureControl, pictureName);
  picture->SetAutoSize(!stretch);
  picture->SetStretch(stretch);
  picture->resize(0, 0);
  box->setWidget(picture);
  return box;
}

QAction* AddToolButton(QToolBar* bar, ToolImageLists& lists, QToolButton*& button, const char* name,
                       const char* hint, const char* iconName, const char* glyph, QSize size) {
  button = Named(new QToolButton(bar), name);
  button->setToolTip(QString::fromUtf8(hint));
  button->setIcon(lists.Icon(lists.Add(QString::fromLatin1(iconName), QString::fromUtf8(glyph))));
  button->setIconSize(QSize(kToolIconSide, kToolIconSide));
  button->setFixedSize(size);
  button->setAutoRaise(true);
  return bar->addWidget(button);
}

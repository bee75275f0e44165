#include "panelstatusbar.h"

#include <QLabel>
#include <algorithm>

PanelStatusBar::PanelStatusBar(const QList<int>& widths, QWidget* parent)
    : QStatusBar(parent), widths_(widths) {
  setSizeGripEnabled(false);
  for (int i = 0; i < widths.size(); ++i) {
    auto* panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setFixedWidth(widths[i]);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    addWidget(panel);
    panels_.append(panel);
  }
}

void PanelStatusBar::SetPanelText(int index, const QString& text) {
  if (index < 0 || index >= panels_.size()) return;
  QLabel* panel = panels_[index];
  panel->setText(text);
  panel->setFixedWidth(std::max(widths_[index], panel->sizeHint().width()));
}

QString PanelStatusBar::PanelText(int index) const {
  return index >= 0 && index < panels_.size() ? panels_[index]->text() : QString();
}

#include "widgets/keyhint.h"

#include <QAbstractButton>
#include <QHelpEvent>
#include <QToolTip>

namespace {

class KeyHintFilter : public QObject {
 public:
  KeyHintFilter(QAbstractButton* button, const QKeySequence& keys) : QObject(button), keys_(keys) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return QObject::eventFilter(watched, event);
    auto* button = static_cast<QAbstractButton*>(watched);
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), ToolTipWithKey(button->toolTip(), keys_), button);
    return true;
  }

 private:
  QKeySequence keys_;
};

}  // namespace

QString ToolTipWithKey(const QString& hint, const QKeySequence& keys) {
  return QStringLiteral("%1 (%2)").arg(hint, keys.toString(QKeySequence::NativeText));
}

void ShowKeyInToolTip(QAbstractButton* button, const QKeySequence& keys) {
  button->installEventFilter(new KeyHintFilter(button, keys));
}

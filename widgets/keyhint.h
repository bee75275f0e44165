#pragma once
// A button's key shown in its tooltip: the hint itself stays the button's own
// text, and the key is added only where the tooltip is shown.

#include <QKeySequence>

class QAbstractButton;

void ShowKeyInToolTip(QAbstractButton* button, const QKeySequence& keys);

// The tooltip as it is shown: "hint (key)".
QString ToolTipWithKey(const QString& hint, const QKeySequence& keys);

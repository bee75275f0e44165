#include "dialogs/settings/spinfield.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <algorithm>

SpinField::SpinField(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
  setRange(minimum, maximum);
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  setKeyboardTracking(false);
}

int SpinField::FieldValue() {
  bool ok = false;
  const int typed = lineEdit()->text().trimmed().toInt(&ok);
  const int value = ok ? std::clamp(typed, minimum(), maximum()) : minimum();
  setValue(value);
  // setValue leaves the text alone when the value did not change.
  lineEdit()->setText(textFromValue(value));
  return value;
}

QValidator::State SpinField::validate(QString& input, int& /*pos*/) const {
  static const QRegularExpression partial(QStringLiteral("^\\s*-?\\d*\\s*$"));
  if (!partial.match(input).hasMatch()) return QValidator::Invalid;
  bool ok = false;
  const int value = input.trimmed().toInt(&ok);
  if (!ok) return QValidator::Intermediate;
  return value >= minimum() && value <= maximum() ? QValidator::Acceptable
                                                  : QValidator::Intermediate;
}

void SpinField::fixup(QString& input) const {
  bool ok = false;
  const int value = input.trimmed().toInt(&ok);
  input = textFromValue(ok ? std::clamp(value, minimum(), maximum()) : minimum());
}

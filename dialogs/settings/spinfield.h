#pragma once
// A spin field whose text is the value: text that is not an integer reads as the
// minimum and is shown so, and a typed value outside the range is pulled into it
// when the field loses focus or is read.

#include <QSpinBox>

class SpinField : public QSpinBox {
  Q_OBJECT

 public:
  explicit SpinField(int minimum, int maximum, QWidget* parent = nullptr);

  // The value as the text stands now, corrected into the range; the shown text follows.
  int FieldValue();

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
};

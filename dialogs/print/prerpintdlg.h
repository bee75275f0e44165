#pragma once
// The print dialogs: the base TPrePrint with its three options, and the
// mosaic's TPrePrintQuiltDialog that adds an editable title.

#include <QDialog>
#include <memory>

#include "dialogs/print/printlayout.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QToolButton;
class QHBoxLayout;
class QVBoxLayout;

class TPrePrint : public QDialog {
  Q_OBJECT
 public:
  explicit TPrePrint(QWidget* parent = nullptr);
  ~TPrePrint() override;

  static constexpr int kHelpContext = 1005;

  // The printer the dialog sets up and the print command prints on.
  QPrinter& Printer() { return *printer_; }

  // The choices as they stand now.
  virtual PrintOptions Options() const;

  QToolButton* SpeedButton1 = nullptr;
  QCheckBox* AllW = nullptr;
  QCheckBox* CheckName = nullptr;
  QCheckBox* Cent = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* LabelPrinter = nullptr;  // where the job goes, or why it cannot go

 public slots:
  // Runs the system's print set-up on Printer(): printer (or a PDF file), paper, orientation.
  void SpeedButton1Click();
  // Accepts when the job has somewhere to go; otherwise the set-up comes first.
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;

  QVBoxLayout* optionsLayout_ = nullptr;  // rows of check boxes, for derived dialogs
  QHBoxLayout* nameRow_ = nullptr;        // the row holding CheckName

 private:
  void ShowPrintTarget();

  std::unique_ptr<QPrinter> printer_;
};

class TPrePrintQuiltDialog : public TPrePrint {
  Q_OBJECT
 public:
  explicit TPrePrintQuiltDialog(QWidget* parent = nullptr);

  static constexpr int kWidth = 511;

  PrintOptions Options() const override;

  QLineEdit* EditText = nullptr;

 public slots:
  void CheckNameClick();
};

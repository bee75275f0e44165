#include "dialogs/print/prerpintdlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/print/printtarget.h"
#include "widgets/named.h"

namespace {

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                     bool checked) {
  auto* box = Named(new QCheckBox(caption, parent), name);
  box->setToolTip(hint);
  box->setChecked(checked);
  return box;
}

}  // namespace

TPrePrint::TPrePrint(QWidget* parent)
    : QDialog(parent), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  setObjectName(QStringLiteral("PrePrint"));
  setProperty("HelpContext", kHelpContext);
  // A fixed border with only the system menu.
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::WindowTitleHint);

  SpeedButton1 = Named(new QToolButton(this), "SpeedButton1");
  SpeedButton1->setText(QStringLiteral("Настройка"));
  SpeedButton1->setToolTip(QStringLiteral("Настройка принтера"));
  SpeedButton1->setIcon(QIcon::fromTheme(QStringLiteral("document-print")));
  SpeedButton1->setIconSize(QSize(32, 32));
  SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  SpeedButton1->setAutoRaise(true);

  AllW = MakeCheck(this, "AllW", QStringLiteral("На всю ширину"),
                   QStringLiteral("Растянуть изображение на лист"), false);
  CheckName = MakeCheck(this, "CheckName", QStringLiteral("Название"),
                        QStringLiteral("Печатать имя файла изображения"), true);
  Cent = MakeCheck(this, "Cent", QStringLiteral("Центр страницы"),
                   QStringLiteral("Печатать изображение по центру листа"), true);

  Button1 = Named(new QPushButton(QStringLiteral("Печать"), this), "Button1");
  Button1->setDefault(true);
  Button2 = Named(new QPushButton(QStringLiteral("Отмена"), this), "Button2");
  LabelPrinter = Named(new QLabel(this), "LabelPrinter");
  LabelPrinter->setTextFormat(Qt::PlainText);
  LabelPrinter->setWordWrap(true);
  // Room for two lines: a long file name wraps inside the fixed dialog.
  LabelPrinter->setMinimumHeight(2 * LabelPrinter->fontMetrics().lineSpacing());

  optionsLayout_ = new QVBoxLayout;
  optionsLayout_->addWidget(AllW);
  nameRow_ = new QHBoxLayout;
  nameRow_->addWidget(CheckName);
  optionsLayout_->addLayout(nameRow_);
  optionsLayout_->addWidget(Cent);

  auto* top = new QHBoxLayout;
  top->addWidget(SpeedButton1, 0, Qt::AlignTop);
  top->addLayout(optionsLayout_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);

  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addWidget(LabelPrinter);
  root->addLayout(buttons);
  root->setSizeConstraint(QLayout::SetFixedSize);

  ShowPrintTarget();

  connect(SpeedButton1, &QToolButton::clicked, this, &TPrePrint::SpeedButton1Click);
  connect(Button1, &QPushButton::clicked, this, &TPrePrint::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TPrePrint::~TPrePrint() = default;

PrintOptions TPrePrint::Options() const {
  PrintOptions options;
  options.FitToPage = AllW->isChecked();
  options.Centre = Cent->isChecked();
  options.PrintTitle = CheckName->isChecked();
  return options;
}

void TPrePrint::SpeedButton1Click() {
  // The print dialog, not the page set-up: only it lets the user choose the
  // printer, and it offers a PDF file when no printer is installed.
  QPrintDialog setup(printer_.get(), this);
  setup.setWindowTitle(QStringLiteral("Настройка принтера"));
  setup.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  setup.exec();
  ShowPrintTarget();
}

void TPrePrint::Button1Click() {
  if (!CanPrint(JudgePrintTarget(*printer_))) SpeedButton1Click();
  if (CanPrint(JudgePrintTarget(*printer_))) accept();
}

void TPrePrint::showEvent(QShowEvent* event) {
  ShowPrintTarget();
  QDialog::showEvent(event);
}

void TPrePrint::ShowPrintTarget() {
  LabelPrinter->setText(PrintTargetText(JudgePrintTarget(*printer_), printer_->printerName(),
                                        printer_->outputFileName()));
}

TPrePrintQuiltDialog::TPrePrintQuiltDialog(QWidget* parent) : TPrePrint(parent) {
  setObjectName(QStringLiteral("PrePrintQuiltDialog"));
  setWindowTitle(QStringLiteral("Печать изображения"));
  CheckName->setChecked(false);

  // The title field sits beside CheckName; Cent stays below them.
  EditText = Named(new QLineEdit(this), "EditText");
  EditText->setEnabled(false);
  nameRow_->addWidget(EditText, 1);

  layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
  setFixedSize(kWidth, sizeHint().height());

  connect(CheckName, &QCheckBox::toggled, this, &TPrePrintQuiltDialog::CheckNameClick);
}

PrintOptions TPrePrintQuiltDialog::Options() const {
  PrintOptions options = TPrePrint::Options();
  options.Title = EditText->text().toStdString();
  return options;
}

void TPrePrintQuiltDialog::CheckNameClick() { EditText->setEnabled(CheckName->isChecked()); }

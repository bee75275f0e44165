#include "dialogs/print/prerpintdlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "support/printsetupanswer.h"
#include "support/testimages.h"

namespace {

TEST(PrePrint, BaseDialogStartsAsDescribed) {
  TPrePrint dialog;
  EXPECT_EQ(dialog.SpeedButton1->text(), QString::fromUtf8("Настройка"));
  EXPECT_EQ(dialog.SpeedButton1->toolTip(), QString::fromUtf8("Настройка принтера"));
  EXPECT_EQ(dialog.AllW->text(), QString::fromUtf8("На всю ширину"));
  EXPECT_EQ(dialog.AllW->toolTip(), QString::fromUtf8("Растянуть изображение на лист"));
  EXPECT_FALSE(dialog.AllW->isChecked());
  EXPECT_EQ(dialog.CheckName->text(), QString::fromUtf8("Название"));
  EXPECT_EQ(dialog.CheckName->toolTip(), QString::fromUtf8("Печатать имя файла изображения"));
  EXPECT_TRUE(dialog.CheckName->isChecked());
  EXPECT_EQ(dialog.Cent->text(), QString::fromUtf8("Центр страницы"));
  EXPECT_EQ(dialog.Cent->toolTip(), QString::fromUtf8("Печатать изображение по центру листа"));
  EXPECT_TRUE(dialog.Cent->isChecked());
  EXPECT_EQ(dialog.Button1->text(), QString::fromUtf8("Печать"));
  EXPECT_TRUE(dialog.Button1->isDefault());
  EXPECT_EQ(dialog.Button2->text(), QString::fromUtf8("Отмена"));
  EXPECT_EQ(dialog.findChild<QCheckBox*>("AllW"), dialog.AllW);
}

TEST(PrePrint, QuiltDialogAddsTheTitleField) {
  TPrePrintQuiltDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Печать изображения"));
  EXPECT_EQ(dialog.width(), TPrePrintQuiltDialog::kWidth);
  EXPECT_FALSE(dialog.CheckName->isChecked());
  EXPECT_FALSE(dialog.EditText->isEnabled());
  EXPECT_TRUE(dialog.EditText->text().isEmpty());
  EXPECT_EQ(dialog.findChild<QLineEdit*>("EditText"), dialog.EditText);

  dialog.CheckName->click();
  EXPECT_TRUE(dialog.EditText->isEnabled());
  dialog.CheckName->click();
  EXPECT_FALSE(dialog.EditText->isEnabled());
}

TEST(PrePrint, OptionsFollowTheControls) {
  TPrePrintQuiltDialog dialog;
  PrintOptions options = dialog.Options();
  EXPECT_FALSE(options.FitToPage);
  EXPECT_TRUE(options.Centre);
  EXPECT_FALSE(options.PrintTitle);

  dialog.AllW->click();
  dialog.Cent->click();
  dialog.CheckName->click();
  dialog.EditText->setText(QString::fromUtf8("D:\\Work\\Образец.bmp"));
  options = dialog.Options();
  EXPECT_TRUE(options.FitToPage);
  EXPECT_FALSE(options.Centre);
  EXPECT_TRUE(options.PrintTitle);
  EXPECT_EQ(options.Title, "D:\\Work\\Образец.bmp");
}

TEST(PrePrint, ButtonsGiveTheResultsAndStatesSurvive) {
  TPrePrintQuiltDialog dialog;
  // Somewhere to print, so "Печать" needs no set-up first.
  dialog.Printer().setOutputFormat(QPrinter::PdfFormat);
  dialog.Printer().setOutputFileName(QStringLiteral("/tmp/unused.pdf"));
  dialog.AllW->click();
  dialog.EditText->setText("x");
  QTimer::singleShot(0, dialog.Button1, &QPushButton::click);
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  QTimer::singleShot(0, dialog.Button2, &QPushButton::click);
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_TRUE(dialog.AllW->isChecked());
  EXPECT_EQ(dialog.EditText->text(), QString("x"));
}

TEST(PrePrint, SetUpChoosesThePrinterOrAPdfFile) {
  TPrePrintQuiltDialog dialog;
  const QString dir = QString::fromStdString(MakeTempDir("printsetup"));
  const QString pdf = dir + QStringLiteral("/chosen.pdf");
  QStringList choices;
  AnswerPrintSetUp(pdf, &choices);
  dialog.SpeedButton1->click();
  EXPECT_FALSE(choices.filter(QStringLiteral("PDF")).isEmpty()) << choices.join('|').toStdString();
  EXPECT_EQ(dialog.Printer().outputFormat(), QPrinter::PdfFormat);
  EXPECT_EQ(dialog.Printer().outputFileName(), pdf);
  EXPECT_TRUE(dialog.LabelPrinter->text().contains(pdf));
  QDir(dir).removeRecursively();
}

// A system without printers gives PDF output with no file: "Печать" then
// opens the set-up, and only a chosen file lets the dialog end with printing.
TEST(PrePrint, WithoutAPrinterPrintOffersTheSetUpFirst) {
  TPrePrintQuiltDialog dialog;
  dialog.Printer().setOutputFormat(QPrinter::PdfFormat);
  dialog.Printer().setOutputFileName(QString());
  const QString dir = QString::fromStdString(MakeTempDir("noprinter"));
  const QString pdf = dir + QStringLiteral("/out.pdf");
  bool stayedOpen = false;
  QString shown;
  QTimer::singleShot(0, &dialog, [&] {
    shown = dialog.LabelPrinter->text();
    AnswerPrintSetUp(QString());
    dialog.Button1->click();
    stayedOpen = dialog.isVisible();
    AnswerPrintSetUp(pdf);
    dialog.Button1->click();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_TRUE(shown.contains(QStringLiteral("не установлен"))) << shown.toStdString();
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(dialog.Printer().outputFileName(), pdf);
  QDir(dir).removeRecursively();
}

}  // namespace

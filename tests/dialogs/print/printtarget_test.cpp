#include "dialogs/print/printtarget.h"

#include <gtest/gtest.h>

namespace {

struct TargetCase {
  bool Pdf;
  const char* Printer;
  const char* File;
  PrintTarget Expected;
  bool Printable;
  const char* TextHolds;  // what the dialog's line must name
};

class PrintTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(PrintTargetTest, JudgedAndWorded) {
  const TargetCase& c = GetParam();
  const QStringList installed = {QStringLiteral("Office"), QStringLiteral("Лаборатория")};
  const QString printer = QString::fromUtf8(c.Printer);
  const QString file = QString::fromUtf8(c.File);
  const PrintTarget target = JudgePrintTarget(c.Pdf, printer, file, installed);
  EXPECT_EQ(target, c.Expected);
  EXPECT_EQ(CanPrint(target), c.Printable);
  const QString text = PrintTargetText(target, printer, file);
  EXPECT_TRUE(text.contains(QString::fromUtf8(c.TextHolds))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintTargetTest,
    ::testing::Values(
        TargetCase{false, "Лаборатория", "", PrintTarget::Printer, true, "Лаборатория"},
        TargetCase{false, "Office", "/tmp/ignored.pdf", PrintTarget::Printer, true, "Office"},
        // A printer chosen earlier and since removed: named as missing.
        TargetCase{false, "Removed", "", PrintTarget::MissingPrinter, false, "«Removed» не найден"},
        TargetCase{false, "", "", PrintTarget::MissingPrinter, false, "не найден"},
        TargetCase{true, "Office", "/home/u/мозаика.pdf", PrintTarget::PdfFile, true,
                   "/home/u/мозаика.pdf"},
        // What a system without printers gives: PDF output with no file yet.
        TargetCase{true, "", "", PrintTarget::NoPrinter, false, "не установлен"}));

}  // namespace

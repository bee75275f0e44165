#pragma once
// Where a print job would go, judged before it starts, and how the print
// dialog words it.

#include <QString>
#include <QStringList>

class QPrinter;

enum class PrintTarget {
  Printer,         // an installed printer
  PdfFile,         // a named PDF file
  NoPrinter,       // PDF output without a file: what a system without printers gives
  MissingPrinter,  // a printer that is no longer installed
};

// pdfOutput: the printer writes PDF; printerName: the system printer chosen
// otherwise; fileName: the PDF file; installed: the printers the system has now.
PrintTarget JudgePrintTarget(bool pdfOutput, const QString& printerName, const QString& fileName,
                             const QStringList& installed);
// The same for a printer, against the printers installed now.
PrintTarget JudgePrintTarget(const QPrinter& printer);

// True when a job can start without asking the user first.
inline bool CanPrint(PrintTarget target) {
  return target == PrintTarget::Printer || target == PrintTarget::PdfFile;
}

// One line for the print dialog: where the job goes, or why it cannot go.
QString PrintTargetText(PrintTarget target, const QString& printerName, const QString& fileName);

#include "dialogs/print/printtarget.h"

#include <QPrinter>
#include <QPrinterInfo>

PrintTarget JudgePrintTarget(bool pdfOutput, const QString& printerName, const QString& fileName,
                             const QStringList& installed) {
  if (pdfOutput) return fileName.isEmpty() ? PrintTarget::NoPrinter : PrintTarget::PdfFile;
  return installed.contains(printerName) ? PrintTarget::Printer : PrintTarget::MissingPrinter;
}

PrintTarget JudgePrintTarget(const QPrinter& printer) {
  return JudgePrintTarget(printer.outputFormat() == QPrinter::PdfFormat, printer.printerName(),
                          printer.outputFileName(), QPrinterInfo::availablePrinterNames());
}

QString PrintTargetText(PrintTarget target, const QString& printerName, const QString& fileName) {
  switch (target) {
    case PrintTarget::Printer: return QStringLiteral("Принтер: %1").arg(printerName);
    case PrintTarget::PdfFile: return QStringLiteral("Печать в файл PDF: %1").arg(fileName);
    case PrintTarget::NoPrinter:
      return QStringLiteral("Принтер не установлен: можно напечатать в файл PDF.");
    case PrintTarget::MissingPrinter:
      return QStringLiteral("Принтер «%1» не найден: выберите другой принтер или файл PDF.")
          .arg(printerName);
  }
  return QString();
}

#pragma once
// Answers the print set-up dialog (the system's print dialog) once it runs its
// modal loop, as a person would: by choosing a PDF file, or by cancelling.

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QTimer>

// The entries of the dialog's printer list.
inline QStringList PrinterChoices(QPrintDialog* dialog) {
  QStringList items;
  if (auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers")))
    for (int i = 0; i < printers->count(); ++i) items << printers->itemText(i);
  return items;
}

// pdfFile empty: cancel. Otherwise choose printing to that PDF file and accept.
// seen receives the dialog's printer list (empty when no print dialog came up).
inline void AnswerPrintSetUp(const QString& pdfFile, QStringList* seen = nullptr) {
  QTimer::singleShot(0, [pdfFile, seen] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr) << "no print dialog";
    if (seen) *seen = PrinterChoices(dialog);
    if (pdfFile.isEmpty()) return dialog->reject();
    auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
    ASSERT_NE(printers, nullptr);
    const int pdf = printers->findText(QStringLiteral("PDF"), Qt::MatchContains);
    ASSERT_GE(pdf, 0);
    printers->setCurrentIndex(pdf);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
    ASSERT_NE(name, nullptr);
    name->setText(pdfFile);
    dialog->accept();
  });
}

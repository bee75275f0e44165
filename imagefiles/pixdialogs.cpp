#include "pixdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <utility>

#include "imagefiles.h"

namespace {

PixOpenAnswer& OpenAnswer() {
  static PixOpenAnswer answer;
  return answer;
}

PixSaveAnswer& SaveAnswer() {
  static PixSaveAnswer answer;
  return answer;
}

QString Patterns(const QList<QByteArray>& formats) {
  QStringList patterns;
  for (const QByteArray& format : formats) {
    const QString pattern = QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    if (!patterns.contains(pattern)) patterns.append(pattern);
  }
  return patterns.join(QLatin1Char(' '));
}

QStringList Filters(const QList<QByteArray>& formats) {
  return {QStringLiteral("Изображения (%1)").arg(Patterns(formats)),
          QStringLiteral("Все файлы (*)")};
}

// The toolkit's own dialog: the same look and Russian texts on every desktop.
void Prepare(QFileDialog& dialog, const std::string& title) {
  dialog.setWindowTitle(QString::fromStdString(title));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
}

}  // namespace

std::vector<std::string> PixOpenDialog(const std::string& title, const std::string& initialFolder) {
  if (OpenAnswer()) return OpenAnswer()(title, initialFolder);
  QFileDialog dialog(QApplication::activeWindow());
  Prepare(dialog, title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDirectory(QString::fromStdString(initialFolder));
  dialog.setNameFilters(Filters(QImageReader::supportedImageFormats()));
  std::vector<std::string> names;
  if (dialog.exec() != QDialog::Accepted) return names;
  for (const QString& name : dialog.selectedFiles()) names.push_back(name.toStdString());
  return names;
}

std::string PixSaveDialog(const std::string& title, const std::string& initialName) {
  if (SaveAnswer()) return SaveAnswer()(title, initialName);
  QFileDialog dialog(QApplication::activeWindow());
  Prepare(dialog, title);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Only formats that hold the whole mosaic at its size and in full colour.
  QList<QByteArray> writable;
  for (const std::string& suffix : PixWritableSuffixes())
    writable.append(QByteArray::fromStdString(suffix));
  dialog.setNameFilters(Filters(writable));
  const QFileInfo initial(QString::fromStdString(initialName));
  dialog.setDirectory(initial.absolutePath());
  dialog.selectFile(initial.fileName());
  // A name typed without an extension is saved in the offered file's format.
  dialog.setDefaultSuffix(initial.suffix().isEmpty() ? QStringLiteral("bmp") : initial.suffix());
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? std::string() : chosen.first().toStdString();
}

void SetPixOpenAnswer(PixOpenAnswer answer) { OpenAnswer() = std::move(answer); }

void SetPixSaveAnswer(PixSaveAnswer answer) { SaveAnswer() = std::move(answer); }

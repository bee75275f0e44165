#include "pixdialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFormLayout>
#include <QImageReader>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "imagefiles.h"

namespace {

constexpr int kTitleBarButtons = 160;  // pixels a title bar keeps for its buttons and icon

PixOpenAnswer& OpenAnswer() {
  static PixOpenAnswer answer;
  return answer;
}

PixSaveOptionsAnswer& SaveOptionsAnswer() {
  static PixSaveOptionsAnswer answer;
  return answer;
}

PixSaveAnswer& SaveAnswer() {
  static PixSaveAnswer answer;
  return answer;
}

PixSavePyramidAnswer& SavePyramidAnswer() {
  static PixSavePyramidAnswer answer;
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

// Folders the dialog offers besides where it starts: in the side bar and
// in the list of folders visited.
void OfferPlaces(QFileDialog& dialog, const std::vector<std::string>& places) {
  QList<QUrl> side = dialog.sidebarUrls();
  QStringList history = dialog.history();
  for (const std::string& place : places) {
    if (place.empty()) continue;
    const QString folder = QDir::cleanPath(QFile::decodeName(QByteArray::fromStdString(place)));
    const QUrl url = QUrl::fromLocalFile(folder);
    if (!side.contains(url)) side.append(url);
    history.removeAll(folder);
    history.append(folder);
  }
  dialog.setSidebarUrls(side);
  dialog.setHistory(history);
}

const QString kPyramidFilter = QStringLiteral("TIFF, пирамида (*.tif *.tiff)");

bool IsTiffName(const std::string& fileName) {
  const QString suffix = QFileInfo(QString::fromStdString(fileName)).suffix().toLower();
  return suffix == QLatin1String("tif") || suffix == QLatin1String("tiff");
}

// The name the user chose, and whether through the pyramid's filter.
std::string AskSaveName(const std::string& title, const std::string& initialName, bool offerPyramid,
                        bool& pyramid) {
  pyramid = false;
  if (offerPyramid && SavePyramidAnswer()) return SavePyramidAnswer()(title, initialName, pyramid);
  if (SaveAnswer()) return SaveAnswer()(title, initialName);
  QFileDialog dialog(QApplication::activeWindow());
  Prepare(dialog, title);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Only formats that hold the whole mosaic at its size and in full colour.
  QList<QByteArray> writable;
  for (const std::string& suffix : PixWritableSuffixes())
    writable.append(QByteArray::fromStdString(suffix));
  QStringList filters = Filters(writable);
  if (offerPyramid) filters.insert(1, kPyramidFilter);
  dialog.setNameFilters(filters);
  const QFileInfo initial(QFile::decodeName(QByteArray::fromStdString(initialName)));
  dialog.setDirectory(initial.absolutePath());
  dialog.selectFile(initial.fileName());
  // A name typed without an extension is saved in the offered file's format,
  // or as a TIFF once the pyramid is chosen.
  const QString suffix = initial.suffix().isEmpty() ? QStringLiteral("bmp") : initial.suffix();
  dialog.setDefaultSuffix(suffix);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
    dialog.setDefaultSuffix(filter == kPyramidFilter ? QStringLiteral("tif") : suffix);
  });
  if (dialog.exec() != QDialog::Accepted) return {};
  pyramid = dialog.selectedNameFilter() == kPyramidFilter;
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? std::string() : QFile::encodeName(chosen.first()).toStdString();
}

}  // namespace

std::vector<std::string> PixOpenDialog(const std::string& title, const std::string& initialFolder,
                                       const std::vector<std::string>& places) {
  if (OpenAnswer()) return OpenAnswer()(title, initialFolder);
  QFileDialog dialog(QApplication::activeWindow());
  Prepare(dialog, title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(initialFolder)));
  OfferPlaces(dialog, places);
  dialog.setNameFilters(Filters(QImageReader::supportedImageFormats()));
  std::vector<std::string> names;
  if (dialog.exec() != QDialog::Accepted) return names;
  for (const QString& name : dialog.selectedFiles())
    names.push_back(QFile::encodeName(name).toStdString());
  return names;
}

std::string PixSaveDialog(const std::string& title, const std::string& initialName,
                          PixSaveOptions* options) {
  bool pyramid = false;
  std::string name = AskSaveName(title, initialName, options != nullptr, pyramid);
  if (options != nullptr) options->Pyramid = pyramid && IsTiffName(name);
  return name;
}

bool PixSaveOptionsDialog(const std::string& fileName, PixSaveOptions& options) {
  const QString suffix = QFileInfo(QString::fromStdString(fileName)).suffix().toLower();
  const bool jpeg = suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
  const bool tiff = suffix == QLatin1String("tif") || suffix == QLatin1String("tiff");
  if (!jpeg && !tiff) return true;
  const bool pyramid = tiff && options.Pyramid;
  if (SaveOptionsAnswer()) return SaveOptionsAnswer()(fileName, options);
  QDialog dialog(QApplication::activeWindow());
  dialog.setObjectName(QStringLiteral("PixSaveOptions"));
  dialog.setWindowTitle(QStringLiteral("Параметры сохранения"));
  // Wide enough for the title beside the window manager's buttons.
  dialog.setMinimumWidth(QFontMetrics(dialog.font()).horizontalAdvance(dialog.windowTitle()) +
                         kTitleBarButtons);
  auto* form = new QFormLayout(&dialog);
  // Only the controls of this format: a spare one would lie behind the label.
  QSpinBox* quality = nullptr;
  QComboBox* compression = nullptr;
  if (jpeg || pyramid) {
    quality = new QSpinBox(&dialog);
    quality->setRange(1, 100);
    quality->setValue(std::clamp(options.JpegQuality, 1, 100));
  }
  if (pyramid) {
    compression = new QComboBox(&dialog);
    compression->addItem(QStringLiteral("JPEG"), static_cast<int>(PixPyramidCompression::Jpeg));
    compression->addItem(QStringLiteral("Deflate"),
                         static_cast<int>(PixPyramidCompression::Deflate));
    compression->setCurrentIndex(compression->findData(static_cast<int>(options.PyramidTiles)));
    form->addRow(QStringLiteral("Сжатие плиток"), compression);
    form->addRow(QStringLiteral("Качество JPEG (1–100)"), quality);
    // Deflate keeps every pixel: no quality to choose.
    const auto jpegChosen = [compression, quality] {
      quality->setEnabled(compression->currentData().toInt() ==
                          static_cast<int>(PixPyramidCompression::Jpeg));
    };
    QObject::connect(compression, &QComboBox::currentIndexChanged, quality, jpegChosen);
    jpegChosen();
  } else if (jpeg) {
    form->addRow(QStringLiteral("Качество JPEG (1–100)"), quality);
  } else {
    compression = new QComboBox(&dialog);
    compression->addItem(QStringLiteral("Без сжатия"), static_cast<int>(PixTiffCompression::None));
    compression->addItem(QStringLiteral("LZW"), static_cast<int>(PixTiffCompression::Lzw));
    compression->addItem(QStringLiteral("Deflate"), static_cast<int>(PixTiffCompression::Deflate));
    compression->setCurrentIndex(compression->findData(static_cast<int>(options.Tiff)));
    form->addRow(QStringLiteral("Сжатие TIFF"), compression);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Сохранить"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (jpeg || pyramid) options.JpegQuality = quality->value();
  if (pyramid) {
    options.PyramidTiles = static_cast<PixPyramidCompression>(compression->currentData().toInt());
  } else if (tiff) {
    options.Tiff = static_cast<PixTiffCompression>(compression->currentData().toInt());
  }
  return true;
}

void SetPixSaveOptionsAnswer(PixSaveOptionsAnswer answer) {
  SaveOptionsAnswer() = std::move(answer);
}

void SetPixOpenAnswer(PixOpenAnswer answer) { OpenAnswer() = std::move(answer); }

void SetPixSaveAnswer(PixSaveAnswer answer) { SaveAnswer() = std::move(answer); }

void SetPixSavePyramidAnswer(PixSavePyramidAnswer answer) {
  SavePyramidAnswer() = std::move(answer);
}

#include "capture/camera/devicedialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QComboBox* ListBox(const std::vector<std::string>& items, int current, QWidget* parent) {
  auto* box = new QComboBox(parent);
  for (const std::string& item : items) box->addItem(QString::fromStdString(item));
  box->setCurrentIndex(current);
  return box;
}

std::vector<std::string> SizeItems(const std::vector<FrameSize>& sizes) {
  std::vector<std::string> texts;
  texts.reserve(sizes.size());
  for (const FrameSize& size : sizes) texts.push_back(FrameSizeText(size).toStdString());
  return texts;
}

int IndexOf(const std::vector<FrameSize>& sizes, FrameSize size) {
  const auto it = std::find(sizes.begin(), sizes.end(), size);
  return it == sizes.end() ? 0 : static_cast<int>(it - sizes.begin());
}

QDialogButtonBox* OkCancel(QDialog& dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

// The form on top, then the widgets below it.
void Arrange(QDialog& dialog, QFormLayout* form, std::initializer_list<QWidget*> below) {
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  for (QWidget* widget : below) layout->addWidget(widget);
}

}  // namespace

QString FrameSizeText(FrameSize size) {
  return QStringLiteral("%1 × %2").arg(size.Width).arg(size.Height);
}

DeviceSettingsDialog::DeviceSettingsDialog(VideoSource& source, QWidget* parent)
    : QDialog(parent), source_(source) {
  setWindowTitle(QStringLiteral("Настройка устройства"));
  auto* form = new QFormLayout;
  Rows = AddControlRows(*form, source);
  auto* buttons = new QDialogButtonBox(this);
  DefaultsButton = buttons->addButton(QStringLiteral("По умолчанию"), QDialogButtonBox::ResetRole);
  CloseButton = buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
  connect(DefaultsButton, &QPushButton::clicked, this, &DeviceSettingsDialog::RestoreDefaults);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  Arrange(*this, form, {buttons});
}

void DeviceSettingsDialog::RestoreDefaults() {
  for (const VideoControl& control : source_.Controls()) {
    if (!control.ReadOnly && control.Value != control.Default) {
      source_.SetControl(control.Id, control.Default);
    }
  }
  RefreshControlRows(Rows, source_);
}

StreamFormatDialog::StreamFormatDialog(VideoSource& source, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Настройка видеопотока"));
  const std::vector<FrameSize> sizes = source.FrameSizes();
  SizeBox = ListBox(SizeItems(sizes), IndexOf(sizes, source.StreamSize()), this);
  FormatBox = ListBox(source.PixelFormats(), source.PixelFormat(), this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Размер кадра"), SizeBox);
  form->addRow(QStringLiteral("Формат пикселей"), FormatBox);
  Buttons = OkCancel(*this);
  Arrange(*this, form, {Buttons});
}

int StreamFormatDialog::ChosenSize() const { return SizeBox->currentIndex(); }

int StreamFormatDialog::ChosenFormat() const { return FormatBox->currentIndex(); }

VideoModeDialog::VideoModeDialog(VideoSource& source, QWidget* parent)
    : QDialog(parent), source_(source) {
  setWindowTitle(QStringLiteral("Настройка видеорежима"));
  InputBox = ListBox(source.Inputs(), source.Input(), this);
  StandardBox = ListBox(source.Standards(), source.Standard(), this);
  StandardBox->setEnabled(StandardBox->count() > 0);
  ErrorLabel = new QLabel(this);
  ErrorLabel->setWordWrap(true);
  ErrorLabel->hide();
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Вход"), InputBox);
  form->addRow(QStringLiteral("Телевизионный стандарт"), StandardBox);
  Buttons = OkCancel(*this);
  Arrange(*this, form, {ErrorLabel, Buttons});
}

bool VideoModeDialog::Apply() {
  // Only what changed is sent: a device may refuse even its current input while streaming.
  const int input = InputBox->currentIndex();
  if (input != source_.Input() && !source_.SetInput(input)) return false;
  const int standard = StandardBox->currentIndex();
  return !StandardBox->isEnabled() || standard == source_.Standard() ||
         source_.SetStandard(standard);
}

void VideoModeDialog::accept() {
  if (Apply()) {
    QDialog::accept();
    return;
  }
  ErrorLabel->setText(QString::fromStdString(source_.Error()));
  ErrorLabel->show();
}

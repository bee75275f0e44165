#include "capture/camera/korvexcameracontrol.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "capture/video/videograbber.h"
#include "widgets/sliderticks.h"
#include "widgets/toolimagelists.h"

namespace {

constexpr int kTrackBarWidth = 300;
constexpr int kCameraControlRowOffset = 9;
constexpr const char* kTag = "Tag";

int TagOf(const QObject* control) { return control->property(kTag).toInt(); }

constexpr int kRowIconSide = 16;

// The theme's small picture for a row, or a drawn one with the label's initial.
QPixmap RowIcon(const char* themeName, const QString& label) {
  const QIcon icon = QIcon::fromTheme(QLatin1String(themeName));
  QPixmap picture = icon.isNull() ? QPixmap() : icon.pixmap(kRowIconSide, kRowIconSide);
  if (!picture.isNull()) return picture;
  return ThemePictureOrDrawn(QLatin1String(themeName), label.left(1))
      .scaled(kRowIconSide, kRowIconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void SetRowEnabled(const TfrmVideoQuality::Row& row, bool manual) {
  row.TrackBar->setEnabled(manual);
  row.Button->setEnabled(manual);
}

}  // namespace

TfrmVideoQuality::TfrmVideoQuality(TVideoGrabber& grabber, QWidget* parent)
    : QDialog(parent), grabber_(grabber) {
  setWindowTitle(QStringLiteral("Настройки камеры"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint);
  BuildRows();
  setFixedSize(613, 457);
}

void TfrmVideoQuality::BuildRows() {
  auto* upper = new QGroupBox(this);
  auto* lower = new QGroupBox(this);
  using F = PropertyFamily;
  std::tie(tbrGamma, chkGamma, btnGamma) =
      AddRow(*upper, {"Гамма", "Gamma", "draw-bezier-curves"}, F::VideoQuality);
  std::tie(tbrExposure, chkExposure, btnExposure) =
      AddRow(*upper, {"Экспозиция", "Exposure", "camera-photo"}, F::CameraControl);
  std::tie(tbrGain, chkGain, btnGain) =
      AddRow(*upper, {"Усиление", "Gain", "audio-volume-high"}, F::VideoQuality);
  std::tie(tbrBrightness, chkBrightness, btnBrightness) =
      AddRow(*lower, {"Яркость", "Brightness", "weather-clear"}, F::VideoQuality);
  std::tie(tbrContrast, chkContrast, btnContrast) =
      AddRow(*lower, {"Контраст", "Contrast", "color-management"}, F::VideoQuality);
  std::tie(tbrHue, chkHue, btnHue) =
      AddRow(*lower, {"Тон", "Hue", "preferences-desktop-color"}, F::VideoQuality);
  std::tie(tbrSaturation, chkSaturation, btnSaturation) =
      AddRow(*lower, {"Насыщенность", "Saturation", "format-fill-color"}, F::VideoQuality);
  std::tie(tbrSharpness, chkSharpness, btnSharpness) =
      AddRow(*lower, {"Четкость", "Sharpness", "view-preview"}, F::VideoQuality);
  std::tie(tbrWhiteBalance, chkWhiteBalance, btnWhiteBalance) =
      AddRow(*lower, {"Баланс белого", "WhiteBalance", "color-picker-white"}, F::VideoQuality);
  std::tie(tbrFocus, chkFocus, btnFocus) =
      AddRow(*lower, {"Фокус", "Focus", "zoom-fit-best"}, F::CameraControl);

  lblRefusal = new QLabel(this);
  lblRefusal->setObjectName(QStringLiteral("lblRefusal"));
  lblRefusal->setWordWrap(true);
  lblRefusal->hide();
  btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  connect(btnClose, &QPushButton::clicked, this, &TfrmVideoQuality::btnCloseClick);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(BuildFlipPanel());
  bottom->addWidget(lblRefusal, 1);
  bottom->addWidget(btnClose, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(4);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(upper);
  layout->addWidget(lower);
  layout->addLayout(bottom);
}

QGroupBox* TfrmVideoQuality::BuildFlipPanel() {
  auto* panel = new QGroupBox(this);
  FlipVert = new QCheckBox(QStringLiteral("Отразить вертикально"), panel);
  FlipVert->setObjectName(QStringLiteral("FlipVert"));
  FlipHor = new QCheckBox(QStringLiteral("Отразить горизонтально"), panel);
  FlipHor->setObjectName(QStringLiteral("FlipHor"));
  connect(FlipVert, &QCheckBox::clicked, this, &TfrmVideoQuality::FlipVertClick);
  connect(FlipHor, &QCheckBox::clicked, this, &TfrmVideoQuality::FlipHorClick);
  auto* layout = new QVBoxLayout(panel);
  layout->addWidget(FlipVert);
  layout->addWidget(FlipHor);
  return panel;
}

std::tuple<QSlider*, QCheckBox*, QPushButton*> TfrmVideoQuality::AddRow(QGroupBox& panel,
                                                                        const RowLabel& label,
                                                                        PropertyFamily family) {
  const char* name = label.Name;
  auto* grid = qobject_cast<QGridLayout*>(panel.layout());
  if (grid == nullptr) {
    grid = new QGridLayout(&panel);
    // Icon, label, the 300-pixel track bar, "Авто" and the button side by
    // side in the fixed 613-pixel client area: the gaps stay narrow.
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(4);
    grid->setContentsMargins(6, 4, 6, 4);
  }
  Row row{new QSlider(Qt::Horizontal, &panel), new QCheckBox(QStringLiteral("Авто"), &panel),
          new QPushButton(QStringLiteral("По умолчанию"), &panel)};
  row.TrackBar->setObjectName(QStringLiteral("tbr") + QLatin1String(name));
  row.CheckBox->setObjectName(QStringLiteral("chk") + QLatin1String(name));
  row.Button->setObjectName(QStringLiteral("btn") + QLatin1String(name));
  row.TrackBar->setFixedWidth(kTrackBarWidth);
  row.TrackBar->setTickPosition(QSlider::TicksBothSides);
  const int line = grid->count() / 5;  // five widgets a row
  auto* icon = new QLabel(&panel);
  icon->setPixmap(RowIcon(label.Icon, QString::fromUtf8(label.Text)));
  grid->addWidget(icon, line, 0);
  grid->addWidget(new QLabel(QString::fromUtf8(label.Text), &panel), line, 1);
  grid->addWidget(row.TrackBar, line, 2);
  grid->addWidget(row.CheckBox, line, 3);
  grid->addWidget(row.Button, line, 4);

  const bool quality = family == PropertyFamily::VideoQuality;
  const auto setValue =
      quality ? &TfrmVideoQuality::OnSetValueQuality : &TfrmVideoQuality::OnSetValueControl;
  const auto setDefault =
      quality ? &TfrmVideoQuality::OnSetDefaultQuality : &TfrmVideoQuality::OnSetDefaultControl;
  QSlider* trackBar = row.TrackBar;
  QCheckBox* checkBox = row.CheckBox;
  QPushButton* button = row.Button;
  connect(trackBar, &QSlider::valueChanged, this, [=, this] { (this->*setValue)(trackBar); });
  connect(checkBox, &QCheckBox::toggled, this, [=, this] { (this->*setValue)(checkBox); });
  connect(button, &QPushButton::clicked, this, [=, this] { (this->*setDefault)(button); });
  return {trackBar, checkBox, button};
}

void TfrmVideoQuality::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmVideoQuality::FormShow() {
  lblRefusal->hide();
  RefreshRows();
}

void TfrmVideoQuality::RefreshRows() {
  Updating = true;
  using F = PropertyFamily;
  BindRow(F::VideoQuality, kQualityBrightness, tbrBrightness, chkBrightness, btnBrightness);
  BindRow(F::VideoQuality, kQualityContrast, tbrContrast, chkContrast, btnContrast);
  BindRow(F::VideoQuality, kQualityHue, tbrHue, chkHue, btnHue);
  BindRow(F::VideoQuality, kQualitySaturation, tbrSaturation, chkSaturation, btnSaturation);
  BindRow(F::VideoQuality, kQualitySharpness, tbrSharpness, chkSharpness, btnSharpness);
  BindRow(F::VideoQuality, kQualityGamma, tbrGamma, chkGamma, btnGamma);
  BindRow(F::VideoQuality, kQualityWhiteBalance, tbrWhiteBalance, chkWhiteBalance, btnWhiteBalance);
  BindRow(F::VideoQuality, kQualityGain, tbrGain, chkGain, btnGain);
  BindRow(F::CameraControl, kControlExposure, tbrExposure, chkExposure, btnExposure);
  BindRow(F::CameraControl, kControlFocus, tbrFocus, chkFocus, btnFocus);
  Updating = false;
}

void TfrmVideoQuality::BindRow(PropertyFamily family, int number, QSlider* trackBar,
                               QCheckBox* checkBox, QPushButton* button) {
  for (QObject* control : {static_cast<QObject*>(trackBar), static_cast<QObject*>(checkBox),
                           static_cast<QObject*>(button)})
    control->setProperty(kTag, number);
  Row& row = RowOf(family, number);
  row = {trackBar, checkBox, button};
  VideoSource* source = grabber_.Source();
  const std::optional<CameraProperty> property =
      source ? ReadCameraProperty(*source, family, number) : std::nullopt;
  if (!property) {
    // At the start of its track: a handle at the far end reads as a value turned up.
    trackBar->setEnabled(false);
    trackBar->setTickInterval(0);
    trackBar->setMinimum(0);
    trackBar->setMaximum(1);
    trackBar->setValue(0);
    checkBox->setEnabled(false);
    button->setEnabled(false);
    return;
  }
  // "Авто" only where the device can take the property over (or has, in a
  // mode of its own, and can be given it back).
  checkBox->setEnabled(property->CanBeAutomatic || property->Automatic);
  checkBox->setChecked(property->Automatic);
  SetRowEnabled(row, !property->Automatic);
  trackBar->setMinimum(property->Minimum);
  trackBar->setMaximum(property->Maximum);
  trackBar->setTickInterval(
      ReadableTickInterval(property->Minimum, property->Maximum, property->Step));
  trackBar->setSingleStep(std::max(property->Step, 1));
  trackBar->setValue(property->Value);
}

TfrmVideoQuality::Row& TfrmVideoQuality::RowOf(PropertyFamily family, int number) {
  const int index =
      family == PropertyFamily::VideoQuality ? number : number + kCameraControlRowOffset;
  return Rows.at(static_cast<size_t>(index));
}

void TfrmVideoQuality::OnSetValueQuality(QObject* sender) {
  SetValue(PropertyFamily::VideoQuality, sender);
}

void TfrmVideoQuality::OnSetDefaultQuality(QObject* sender) {
  SetDefault(PropertyFamily::VideoQuality, sender);
}

void TfrmVideoQuality::OnSetValueControl(QObject* sender) {
  SetValue(PropertyFamily::CameraControl, sender);
}

void TfrmVideoQuality::OnSetDefaultControl(QObject* sender) {
  SetDefault(PropertyFamily::CameraControl, sender);
}

void TfrmVideoQuality::SetValue(PropertyFamily family, QObject* sender) {
  // Rows are bound (and tagged) at the first opening; nothing is sent before.
  if (Updating || !sender->property(kTag).isValid() || grabber_.Source() == nullptr) return;
  const int number = TagOf(sender);
  const Row& row = RowOf(family, number);
  const bool automatic = row.CheckBox->isChecked();
  const PropertyChange outcome = SetCameraProperty(*grabber_.Source(), family, number, automatic,
                                                   row.TrackBar->value(), false);
  SetRowEnabled(row, !automatic);
  ShowOutcome(outcome, family, number);
}

void TfrmVideoQuality::SetDefault(PropertyFamily family, QObject* sender) {
  if (Updating || !sender->property(kTag).isValid() || grabber_.Source() == nullptr) return;
  const int number = TagOf(sender);
  const Row& row = RowOf(family, number);
  VideoSource& source = *grabber_.Source();
  const PropertyChange outcome = SetCameraProperty(
      source, family, number, row.CheckBox->isChecked(), row.TrackBar->value(), true);
  ShowOutcome(outcome, family, number);
  // Moving the track bar sends the value once more, as a move by hand would.
  if (const std::optional<CameraProperty> now = ReadCameraProperty(source, family, number))
    row.TrackBar->setValue(now->Value);
}

// A refused change is told with the device's reason, and the row shows what
// the device really has rather than the value it refused.
void TfrmVideoQuality::ShowOutcome(PropertyChange outcome, PropertyFamily family, int number) {
  VideoSource& source = *grabber_.Source();
  lblRefusal->setVisible(outcome != PropertyChange::Applied);
  if (outcome == PropertyChange::Applied) return;
  lblRefusal->setText(outcome == PropertyChange::Refused
                          ? QString::fromStdString(source.Error())
                          : QStringLiteral("У камеры нет автоматического режима для этого "
                                           "свойства: оно остается ручным."));
  const std::optional<CameraProperty> now = ReadCameraProperty(source, family, number);
  if (!now) return;
  const Row& row = RowOf(family, number);
  Updating = true;
  row.CheckBox->setChecked(now->Automatic);
  row.TrackBar->setValue(now->Value);
  SetRowEnabled(row, !now->Automatic);
  Updating = false;
}

void TfrmVideoQuality::FlipVertClick() {
  grabber_.SetVideoProcessing_FlipVertical(FlipVert->isChecked());
}

void TfrmVideoQuality::FlipHorClick() {
  grabber_.SetVideoProcessing_FlipHorizontal(FlipHor->isChecked());
}

void TfrmVideoQuality::btnCloseClick() { close(); }

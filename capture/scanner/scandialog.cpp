#include "capture/scanner/scandialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "capture/scanner/scanwork.h"
#include "widgets/named.h"
#include "widgets/userdialogs.h"

namespace {

// Resolutions offered when the device gives a range.
constexpr double kCommonResolutions[] = {50,  75,  100, 150,  200,  300,
                                         400, 600, 800, 1200, 2400, 4800};
constexpr double kMmPerInch = 25.4;
constexpr double kPreviewPixels = 400;

QString NumberText(double value) { return QString::number(value, 'g', 6); }

std::vector<double> Offered(const ScanNumberChoice& choice) {
  if (!choice.Numbers.empty()) return choice.Numbers;
  std::vector<double> values;
  if (choice.Range) {
    for (double value : kCommonResolutions) {
      if (value >= choice.Range->Min && value <= choice.Range->Max) values.push_back(value);
    }
  }
  // A device's own value outside its range is not offered (one test device
  // reports its default in the wrong unit).
  const bool inRange =
      !choice.Range || (choice.Value >= choice.Range->Min && choice.Value <= choice.Range->Max);
  if (inRange && std::find(values.begin(), values.end(), choice.Value) == values.end()) {
    values.push_back(choice.Value);
    std::sort(values.begin(), values.end());
  }
  return values;
}

// Selects the item whose value is nearest to value.
void SelectData(QComboBox* box, double value) {
  int best = -1;
  for (int i = 0; i < box->count(); ++i) {
    const double distance = std::abs(box->itemData(i).toDouble() - value);
    if (best < 0 || distance < std::abs(box->itemData(best).toDouble() - value)) best = i;
  }
  if (best >= 0) box->setCurrentIndex(best);
}

QDoubleSpinBox* AreaSpin(QWidget* parent, const char* name) {
  auto* spin = Named(new QDoubleSpinBox(parent), name);
  spin->setDecimals(1);
  return spin;
}

}  // namespace

double PreviewResolution(const ScanCapabilities& caps) {
  if (!caps.Resolution) return 0;
  const ScanNumberChoice& choice = *caps.Resolution;
  double wanted = 75;
  if (caps.HasArea && caps.AreaUnit == ScanUnit::Mm) {
    const double inches = (caps.FullArea.Right - caps.FullArea.Left) / kMmPerInch;
    if (inches > 0) wanted = kPreviewPixels / inches;
  }
  if (!choice.Numbers.empty()) {
    // The smallest listed value that is at least the wanted one, else the largest.
    std::vector<double> values = choice.Numbers;
    std::sort(values.begin(), values.end());
    for (double value : values) {
      if (value >= wanted) return value;
    }
    return values.back();
  }
  if (choice.Range) return std::clamp(std::round(wanted), choice.Range->Min, choice.Range->Max);
  return choice.Value;
}

TScanDialog::TScanDialog(QWidget* parent, const std::vector<ScannerDevice>& devices,
                         const std::string& device, ScannerSession* session, OpenDevice open)
    : QDialog(parent), session_(session), open_(std::move(open)) {
  setObjectName(QStringLiteral("TScanDialog"));
  setWindowTitle(QStringLiteral("Сканирование"));
  Build(devices, device);
  connect(ComboBoxScanner, &QComboBox::activated, this, &TScanDialog::ComboBoxScannerChange);
  connect(ComboBoxScanMode, &QComboBox::activated, this, &TScanDialog::ComboBoxScanModeChange);
  connect(ButtonScanPreview, &QPushButton::clicked, this, &TScanDialog::ButtonScanPreviewClick);
  connect(ButtonScanStart, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonScanCancel, &QPushButton::clicked, this, &QDialog::reject);
  PreviewScan->OnAreaDrawn = [this](const ScanArea& area) { AreaDrawn(area); };
  for (QDoubleSpinBox* spin : {SpinScanLeft, SpinScanTop, SpinScanRight, SpinScanBottom}) {
    connect(spin, &QDoubleSpinBox::valueChanged, this,
            [this] { PreviewScan->SetArea(Choices().Area.value_or(ScanArea{})); });
  }
}

void TScanDialog::Build(const std::vector<ScannerDevice>& devices, const std::string& device) {
  auto* columns = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  auto* form = new QFormLayout;
  ComboBoxScanner = Named(new QComboBox(this), "ComboBoxScanner");
  for (const ScannerDevice& d : devices) {
    const QString label = QString::fromStdString(d.Vendor + " " + d.Model + " (" + d.Name + ")");
    ComboBoxScanner->addItem(label, QString::fromStdString(d.Name));
  }
  ComboBoxScanner->setCurrentIndex(
      std::max(0, ComboBoxScanner->findData(QString::fromStdString(device))));
  form->addRow(QStringLiteral("Сканер"), ComboBoxScanner);
  ComboBoxScanMode = Named(new QComboBox(this), "ComboBoxScanMode");
  form->addRow(QStringLiteral("Режим"), ComboBoxScanMode);
  ComboBoxScanDepth = Named(new QComboBox(this), "ComboBoxScanDepth");
  form->addRow(QStringLiteral("Разрядность"), ComboBoxScanDepth);
  ComboBoxScanResolution = Named(new QComboBox(this), "ComboBoxScanResolution");
  form->addRow(QStringLiteral("Разрешение"), ComboBoxScanResolution);
  left->addLayout(form);

  auto* area = new QGridLayout;
  SpinScanLeft = AreaSpin(this, "SpinScanLeft");
  SpinScanTop = AreaSpin(this, "SpinScanTop");
  SpinScanRight = AreaSpin(this, "SpinScanRight");
  SpinScanBottom = AreaSpin(this, "SpinScanBottom");
  area->addWidget(new QLabel(QStringLiteral("Область сканирования"), this), 0, 0, 1, 4);
  area->addWidget(new QLabel(QStringLiteral("Слева"), this), 1, 0);
  area->addWidget(SpinScanLeft, 1, 1);
  area->addWidget(new QLabel(QStringLiteral("Сверху"), this), 1, 2);
  area->addWidget(SpinScanTop, 1, 3);
  area->addWidget(new QLabel(QStringLiteral("Справа"), this), 2, 0);
  area->addWidget(SpinScanRight, 2, 1);
  area->addWidget(new QLabel(QStringLiteral("Снизу"), this), 2, 2);
  area->addWidget(SpinScanBottom, 2, 3);
  left->addLayout(area);
  LabelScanState = Named(new QLabel(this), "LabelScanState");
  LabelScanState->setWordWrap(true);
  left->addWidget(LabelScanState);
  left->addStretch(1);

  auto* buttons = new QHBoxLayout;
  ButtonScanPreview = Named(new QPushButton(QStringLiteral("Просмотр"), this), "ButtonScanPreview");
  ButtonScanStart = Named(new QPushButton(QStringLiteral("Сканировать"), this), "ButtonScanStart");
  ButtonScanCancel = Named(new QPushButton(QStringLiteral("Отмена"), this), "ButtonScanCancel");
  ButtonScanStart->setDefault(true);
  buttons->addWidget(ButtonScanPreview);
  buttons->addStretch(1);
  buttons->addWidget(ButtonScanStart);
  buttons->addWidget(ButtonScanCancel);
  left->addLayout(buttons);
  columns->addLayout(left);

  PreviewScan = Named(new ScanPreview(this), "PreviewScan");
  columns->addWidget(PreviewScan, 1);
}

void TScanDialog::ShowOptions(const ScanChoices& earlier) {
  caps_ = DescribeScanner(session_->Options());
  ComboBoxScanMode->clear();
  for (ScanColour colour : caps_.Colours) {
    ComboBoxScanMode->addItem(QString::fromUtf8(ScanColourName(colour)), static_cast<int>(colour));
  }
  const std::optional<ScanColour> colour = earlier.Colour ? earlier.Colour : caps_.CurrentColour;
  if (colour) {
    const int index = ComboBoxScanMode->findData(static_cast<int>(*colour));
    if (index >= 0) ComboBoxScanMode->setCurrentIndex(index);
  }
  ComboBoxScanMode->setEnabled(ComboBoxScanMode->count() > 1);

  ComboBoxScanDepth->clear();
  if (caps_.Depth) {
    for (double bits : Offered(*caps_.Depth)) {
      if (bits > 1) ComboBoxScanDepth->addItem(NumberText(bits) + " бит", bits);
    }
    SelectData(ComboBoxScanDepth, earlier.Depth.value_or(caps_.Depth->Value));
  }
  ComboBoxScanModeChange();

  ComboBoxScanResolution->clear();
  if (caps_.Resolution) FillResolutions(*caps_.Resolution, earlier.Resolution);
  ComboBoxScanResolution->setEnabled(ComboBoxScanResolution->count() > 0);

  for (QDoubleSpinBox* spin : {SpinScanLeft, SpinScanTop, SpinScanRight, SpinScanBottom}) {
    spin->setEnabled(caps_.HasArea);
    spin->setSuffix(QString::fromUtf8(ScanUnitSuffix(caps_.AreaUnit)));
  }
  if (caps_.HasArea) {
    const ScanArea& full = caps_.FullArea;
    SpinScanLeft->setRange(full.Left, full.Right);
    SpinScanRight->setRange(full.Left, full.Right);
    SpinScanTop->setRange(full.Top, full.Bottom);
    SpinScanBottom->setRange(full.Top, full.Bottom);
    ShowArea(earlier.Area.value_or(caps_.Area));
  }
  ButtonScanPreview->setEnabled(caps_.HasArea);
}

void TScanDialog::FillResolutions(const ScanNumberChoice& resolution,
                                  std::optional<double> earlier) {
  const QString unit = QString::fromUtf8(ScanUnitSuffix(resolution.Unit));
  for (double value : Offered(resolution)) {
    ComboBoxScanResolution->addItem(NumberText(value) + unit, value);
  }
  SelectData(ComboBoxScanResolution, resolution.Value);
  if (earlier) SelectData(ComboBoxScanResolution, *earlier);
}

void TScanDialog::ShowArea(ScanArea area) {
  // Each spin box moves the preview's frame: area must not be that frame.
  SpinScanLeft->setValue(area.Left);
  SpinScanTop->setValue(area.Top);
  SpinScanRight->setValue(area.Right);
  SpinScanBottom->setValue(area.Bottom);
  PreviewScan->SetArea(area);
}

void TScanDialog::AreaDrawn(const ScanArea& area) { ShowArea(area); }

ScanChoices TScanDialog::Choices() const {
  ScanChoices choices;
  if (ComboBoxScanMode->currentIndex() >= 0) {
    choices.Colour = static_cast<ScanColour>(ComboBoxScanMode->currentData().toInt());
  }
  if (ComboBoxScanDepth->isEnabled() && ComboBoxScanDepth->currentIndex() >= 0) {
    choices.Depth = ComboBoxScanDepth->currentData().toDouble();
  }
  if (ComboBoxScanResolution->currentIndex() >= 0) {
    choices.Resolution = ComboBoxScanResolution->currentData().toDouble();
  }
  if (caps_.HasArea) {
    // Edges given the wrong way round still mean the same rectangle.
    const double x1 = SpinScanLeft->value();
    const double x2 = SpinScanRight->value();
    const double y1 = SpinScanTop->value();
    const double y2 = SpinScanBottom->value();
    choices.Area = ScanArea{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  }
  return choices;
}

std::string TScanDialog::Device() const {
  return ComboBoxScanner->currentData().toString().toStdString();
}

const QImage& TScanDialog::PreviewImage() const { return PreviewScan->Picture(); }

void TScanDialog::ComboBoxScannerChange() {
  std::string error;
  ScannerSession* session = open_ ? open_(Device(), error) : nullptr;
  if (session == nullptr) {
    LabelScanState->setText(QString::fromStdString(error));
    ButtonScanStart->setEnabled(false);
    ButtonScanPreview->setEnabled(false);
    return;
  }
  session_ = session;
  LabelScanState->clear();
  ButtonScanStart->setEnabled(true);
  PreviewScan->SetPicture(QImage(), {});
  ShowOptions({});
}

void TScanDialog::ComboBoxScanModeChange() {
  const bool lineArt =
      ComboBoxScanMode->currentIndex() >= 0 &&
      static_cast<ScanColour>(ComboBoxScanMode->currentData().toInt()) == ScanColour::LineArt;
  ComboBoxScanDepth->setEnabled(!lineArt && ComboBoxScanDepth->count() > 1);
}

void TScanDialog::SetBusy(bool busy) {
  for (QWidget* control :
       std::initializer_list<QWidget*>{ButtonScanPreview, ButtonScanStart, ComboBoxScanner}) {
    control->setEnabled(!busy);
  }
}

void TScanDialog::ButtonScanPreviewClick() {
  ScanChoices preview = Choices();
  const std::optional<ScanArea> chosen = preview.Area;
  preview.Area = caps_.FullArea;
  if (caps_.Resolution) preview.Resolution = PreviewResolution(caps_);
  std::string problem = ApplyScanChoices(*session_, preview);
  const bool previewOption = caps_.HasPreview;
  if (previewOption) session_->SetNumber("preview", 1);
  ScanOutcome outcome;
  if (problem.empty()) {
    SetBusy(true);
    std::atomic<bool> cancel{false};
    RunScannerWork(
        this, QStringLiteral("Предварительное сканирование..."), &cancel,
        [&](const ScanProgress& progress) { outcome = session_->Scan(progress, cancel); });
    SetBusy(false);
  }
  if (previewOption) session_->SetNumber("preview", 0);
  if (problem.empty() && outcome.Result == ScanOutcome::Kind::Failed) problem = outcome.Error;
  LabelScanState->setText(QString::fromStdString(problem));
  if (outcome.Result == ScanOutcome::Kind::Done) {
    const Bitmap& image = outcome.Image;
    QImage picture(image.Data(), image.Width(), image.Height(),
                   static_cast<qsizetype>(image.Stride()), QImage::Format_BGR888);
    PreviewScan->SetPicture(picture.copy(), caps_.FullArea);
  }
  if (chosen) ShowArea(*chosen);
}

ScanPreview::ScanPreview(QWidget* parent) : QWidget(parent) {
  setMinimumSize(240, 300);
  setCursor(Qt::CrossCursor);
}

void ScanPreview::SetPicture(const QImage& picture, const ScanArea& full) {
  picture_ = picture;
  full_ = full;
  update();
}

void ScanPreview::SetArea(const ScanArea& area) {
  area_ = area;
  update();
}

QRectF ScanPreview::PictureRect() const {
  if (picture_.isNull()) return {};
  QSizeF size = picture_.size();
  size.scale(QSizeF(width(), height()), Qt::KeepAspectRatio);
  return {QPointF(0, 0), size};
}

QPointF ScanPreview::ToDevice(QPointF point) const {
  const QRectF rect = PictureRect();
  const double x = std::clamp(point.x() / rect.width(), 0.0, 1.0);
  const double y = std::clamp(point.y() / rect.height(), 0.0, 1.0);
  return {full_.Left + x * (full_.Right - full_.Left), full_.Top + y * (full_.Bottom - full_.Top)};
}

QPointF ScanPreview::ToWidget(double x, double y) const {
  const QRectF rect = PictureRect();
  const double w = full_.Right - full_.Left;
  const double h = full_.Bottom - full_.Top;
  if (w <= 0 || h <= 0) return {};
  return {(x - full_.Left) / w * rect.width(), (y - full_.Top) / h * rect.height()};
}

void ScanPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  const QRectF target = PictureRect();
  if (target.isEmpty()) {
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                     QStringLiteral("Нажмите «Просмотр», чтобы увидеть стекло сканера"));
    return;
  }
  painter.drawImage(target, picture_);
  painter.setPen(QPen(Qt::red, 2, Qt::DashLine));
  painter.drawRect(QRectF(ToWidget(area_.Left, area_.Top), ToWidget(area_.Right, area_.Bottom)));
}

void ScanPreview::mousePressEvent(QMouseEvent* event) {
  if (picture_.isNull() || event->button() != Qt::LeftButton) return;
  dragStart_ = ToDevice(event->position());
}

void ScanPreview::mouseMoveEvent(QMouseEvent* event) {
  if (!dragStart_) return;
  const QPointF end = ToDevice(event->position());
  area_ = {std::min(dragStart_->x(), end.x()), std::min(dragStart_->y(), end.y()),
           std::max(dragStart_->x(), end.x()), std::max(dragStart_->y(), end.y())};
  update();
}

void ScanPreview::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragStart_) return;
  mouseMoveEvent(event);
  dragStart_.reset();
  const ScanArea drawn = area_;
  if (OnAreaDrawn) OnAreaDrawn(drawn);
}

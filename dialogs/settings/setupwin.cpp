#include "dialogs/settings/setupwin.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/settings/preferences.h"
#include "dialogs/settings/spinfield.h"
#include "engine/registration/template/matching.h"
#include "widgets/named.h"

namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

TFormSetup::TFormSetup(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormSetup"));
  setWindowTitle(QStringLiteral("Настройка"));
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  CSpinEditImageZone =
      Named(new SpinField(kZoneRange.Min, kZoneRange.Max, this), "CSpinEditImageZone");
  CSpinEditFindR = Named(new SpinField(kRadiusRange.Min, kRadiusRange.Max, this), "CSpinEditFindR");
  CheckBoxCrop = Named(new QCheckBox(QStringLiteral("Обрезка изображений"), this), "CheckBoxCrop");
  CSpinEditCropFrame =
      Named(new SpinField(kFrameRange.Min, kFrameRange.Max, this), "CSpinEditCropFrame");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildSpinRow(CSpinEditImageZone, QStringLiteral("Размер зоны перекрытия"),
                                 QStringLiteral("%")));
  layout->addWidget(
      BuildSpinRow(CSpinEditFindR, QStringLiteral("Радиус зоны поиска"), QStringLiteral("точек")));
  LabelFitR = Named(new QLabel(this), "LabelFitR");
  LabelFitR->setWordWrap(true);
  layout->addWidget(LabelFitR);
  layout->addWidget(CheckBoxCrop);
  layout->addWidget(
      BuildSpinRow(CSpinEditCropFrame, QStringLiteral("Размер"), QStringLiteral("точек")));
  layout->addWidget(BuildSmoothGroup());
  layout->addWidget(BuildQualityRow());
  layout->addWidget(BuildMethodRow());
  layout->addWidget(BuildPlacementRow());

  ButtonOk = Named(new QPushButton(QStringLiteral("Применить"), this), "ButtonOk");
  ButtonNo = Named(new QPushButton(QStringLiteral("Отмена"), this), "ButtonNo");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonOk);
  buttons->addWidget(ButtonNo);
  layout->addLayout(buttons);
  // A fixed border: the dialog keeps the size of its contents.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(ButtonOk, &QPushButton::clicked, this, &TFormSetup::ButtonOkClick);
  connect(ButtonNo, &QPushButton::clicked, this, &TFormSetup::ButtonNoClick);
  connect(CSpinEditImageZone, &QSpinBox::valueChanged, this, &TFormSetup::UpdateFitNote);
  connect(CSpinEditFindR, &QSpinBox::valueChanged, this, &TFormSetup::UpdateFitNote);

  // The record stays zero until a file is read; the controls start at the defaults.
  ShowValues(DefaultSetupData());
  UpdateFitNote();
}

QWidget* TFormSetup::BuildSpinRow(SpinField* field, const QString& label, const QString& unit) {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(label, row), 1);
  field->setParent(row);
  field->setMinimumWidth(64);
  layout->addWidget(field);
  auto* unitLabel = new QLabel(unit, row);
  unitLabel->setMinimumWidth(40);
  layout->addWidget(unitLabel);
  return row;
}

QWidget* TFormSetup::BuildSmoothGroup() {
  auto* group = Named(new QGroupBox(QStringLiteral("Тип сглаживания"), this), "GroupBoxSmooth");
  auto* layout = new QVBoxLayout(group);
  smoothGroup_ = new QButtonGroup(this);
  smoothGroup_->setExclusive(true);
  const auto add = [&](QRadioButton*& button, const char* name, const QString& caption, int type) {
    button = Named(new QRadioButton(caption, group), name);
    smoothGroup_->addButton(button, type);
    layout->addWidget(button);
  };
  add(RadioButtonVector, "RadioButtonVector", QStringLiteral("Фронт"), 0);
  add(RadioButtonDiffuz, "RadioButtonDiffuz", QStringLiteral("Диффузия"), 1);
  add(RadioButtonMidl, "RadioButtonMidl", QStringLiteral("Усреднение"), 2);
  add(RadioButtonLight, "RadioButtonLight", QStringLiteral("Яркость"), 3);
  add(RadioButtonUdel, "RadioButtonUdel", QStringLiteral("Резкость"), 4);
  return group;
}

QWidget* TFormSetup::BuildQualityRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  TrackBarQ = Named(new QSlider(Qt::Horizontal, row), "TrackBarQ");
  TrackBarQ->setRange(kStepRange.Min, kStepRange.Max);
  TrackBarQ->setPageStep(1);
  TrackBarQ->setTickPosition(QSlider::TicksBelow);
  TrackBarQ->setTickInterval(1);
  layout->addWidget(new QLabel(QStringLiteral("Качество"), row));
  layout->addWidget(TrackBarQ, 1);
  layout->addWidget(new QLabel(QStringLiteral("Скорость"), row));
  return row;
}

QString SearchMethodCaption(SearchMethod method) {
  switch (method) {
    case SearchMethod::Template: return QStringLiteral("Шаблон");
    case SearchMethod::Phase: return QStringLiteral("Фаза");
    case SearchMethod::TemplatePhase: return QStringLiteral("Шаблон, затем фаза");
  }
  return {};
}

QWidget* TFormSetup::BuildMethodRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  ComboBoxMethod = Named(new QComboBox(row), "ComboBoxMethod");
  for (const SearchMethodName& n : kSearchMethods) {
    ComboBoxMethod->addItem(SearchMethodCaption(n.Method), static_cast<int>(n.Method));
  }
  layout->addWidget(new QLabel(QStringLiteral("Поиск совпадений"), row), 1);
  layout->addWidget(ComboBoxMethod);
  return row;
}

QString PlacementMethodCaption(PlacementMethod method) {
  switch (method) {
    case PlacementMethod::Chain: return QStringLiteral("Цепочка");
    case PlacementMethod::Neighbours: return QStringLiteral("Все соседи");
  }
  return {};
}

QWidget* TFormSetup::BuildPlacementRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  ComboBoxPlacement = Named(new QComboBox(row), "ComboBoxPlacement");
  for (const PlacementMethodName& n : kPlacementMethods) {
    ComboBoxPlacement->addItem(PlacementMethodCaption(n.Method), static_cast<int>(n.Method));
  }
  layout->addWidget(new QLabel(QStringLiteral("Размещение изображений"), row), 1);
  layout->addWidget(ComboBoxPlacement);
  return row;
}

QRadioButton* TFormSetup::SmoothButton(int type) const {
  return qobject_cast<QRadioButton*>(smoothGroup_->button(type));
}

void TFormSetup::SetImageSizes(std::vector<QSize> sizes) {
  imageSizes_ = std::move(sizes);
  UpdateFitNote();
}

void TFormSetup::UpdateFitNote() {
  std::vector<QSize> sizes = imageSizes_;
  const bool album = !sizes.empty();
  if (!album) sizes.push_back(QSize(640, 480));
  const int zone = CSpinEditImageZone->value();
  int fitting = -1;
  for (const QSize& size : sizes) {
    const int c = LargestFittingRadius(size.width(), size.height(), zone, zone);
    fitting = fitting < 0 ? c : std::min(fitting, c);
  }
  const QString where = album ? QStringLiteral("для изображений альбома")
                              : QStringLiteral("для изображений 640 × 480");
  QString text =
      fitting > 0
          ? QStringLiteral("Наибольший радиус при этой зоне %1: %2").arg(where).arg(fitting)
          : QStringLiteral("При этой зоне окно поиска не помещается %1: увеличьте зону").arg(where);
  if (fitting > 0 && CSpinEditFindR->value() > fitting) {
    text += QStringLiteral(" — радиус %1 слишком велик, совпадения не найдутся")
                .arg(CSpinEditFindR->value());
  }
  LabelFitR->setText(text);
}

void TFormSetup::LoadSetup(const QString& path) {
  configPath_ = path;
  Method = ReadSearchMethodPreference();
  Placement = ReadPlacementMethodPreference();
  if (ReadSetupFile(LocalPath(path), SetupData)) return ShowSetupData();
  // No readable file: the program works with the values the dialog offers, and
  // a missing file is written with them so the next start finds the same. A
  // file that exists but cannot be read is left as it is.
  SetupData = DefaultSetupData();
  ShowSetupData();
  if (!QFileInfo::exists(path)) lastSaveOk_ = SaveSetup(path);
}

bool TFormSetup::SaveSetup(const QString& path) {
  return WriteSetupFile(LocalPath(path), SetupData);
}

void TFormSetup::CollectControls() {
  SetupData.ImageZone = CSpinEditImageZone->FieldValue();
  SetupData.FindR = CSpinEditFindR->FieldValue();
  SetupData.Crop = CheckBoxCrop->isChecked() ? 1 : 0;
  SetupData.CropFrame = CSpinEditCropFrame->FieldValue();
  for (int type = kBlendRange.Min; type <= kBlendRange.Max; ++type) {
    if (SmoothButton(type)->isChecked()) SetupData.SmoothType = type;
  }
  SetupData.Quality = TrackBarQ->value();
  Method = static_cast<SearchMethod>(ComboBoxMethod->currentData().toInt());
  Placement = static_cast<PlacementMethod>(ComboBoxPlacement->currentData().toInt());
}

void TFormSetup::ShowSetupData() {
  ShowValues(SetupData);
  ComboBoxMethod->setCurrentIndex(ComboBoxMethod->findData(static_cast<int>(Method)));
  ComboBoxPlacement->setCurrentIndex(ComboBoxPlacement->findData(static_cast<int>(Placement)));
}

void TFormSetup::ShowValues(const ::SetupData& data) {
  // The controls show the values clamped; the record keeps what was read.
  CSpinEditImageZone->setValue(kZoneRange.Clamp(data.ImageZone));
  CSpinEditFindR->setValue(kRadiusRange.Clamp(data.FindR));
  CheckBoxCrop->setChecked(data.Crop != 0);
  CSpinEditCropFrame->setValue(kFrameRange.Clamp(data.CropFrame));
  if (kBlendRange.Contains(data.SmoothType)) SmoothButton(data.SmoothType)->setChecked(true);
  TrackBarQ->setValue(kStepRange.Clamp(data.Quality));
}

void TFormSetup::ButtonOkClick() {
  CollectControls();
  lastSaveOk_ = SaveSetup(configPath_);
  WriteSearchMethodPreference(Method);
  WritePlacementMethodPreference(Placement);
  accept();
}

void TFormSetup::ButtonNoClick() {
  ShowSetupData();
  reject();
}

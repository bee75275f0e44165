#include "setupwin.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "spinfield.h"

namespace {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

TFormSetup::TFormSetup(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormSetup"));
  setWindowTitle(QStringLiteral("Настройка"));
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  CSpinEditImageZone = Named(new SpinField(0, 100, this), "CSpinEditImageZone");
  CSpinEditFindR = Named(new SpinField(0, 100, this), "CSpinEditFindR");
  CheckBoxCrop = Named(new QCheckBox(QStringLiteral("Обрезка изображений"), this), "CheckBoxCrop");
  CSpinEditCropFrame = Named(new SpinField(0, 50, this), "CSpinEditCropFrame");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildSpinRow(CSpinEditImageZone, QStringLiteral("Размер зоны перекрытия"),
                                 QStringLiteral("%")));
  layout->addWidget(BuildSpinRow(CSpinEditFindR, QStringLiteral("Радиус зоны поиска"),
                                 QStringLiteral("точек")));
  layout->addWidget(CheckBoxCrop);
  layout->addWidget(BuildSpinRow(CSpinEditCropFrame, QStringLiteral("Размер"), QStringLiteral("точек")));
  layout->addWidget(BuildSmoothGroup());
  layout->addWidget(BuildQualityRow());

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

  CSpinEditImageZone->setValue(30);
  CSpinEditFindR->setValue(15);
  CheckBoxCrop->setChecked(false);
  CSpinEditCropFrame->setValue(5);
  RadioButtonDiffuz->setChecked(true);
  TrackBarQ->setValue(3);
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
  TrackBarQ->setRange(1, 5);
  TrackBarQ->setPageStep(1);
  TrackBarQ->setTickPosition(QSlider::TicksBelow);
  TrackBarQ->setTickInterval(1);
  layout->addWidget(new QLabel(QStringLiteral("Качество"), row));
  layout->addWidget(TrackBarQ, 1);
  layout->addWidget(new QLabel(QStringLiteral("Скорость"), row));
  return row;
}

QRadioButton* TFormSetup::SmoothButton(int type) const {
  return qobject_cast<QRadioButton*>(smoothGroup_->button(type));
}

void TFormSetup::LoadSetup(const QString& path) {
  configPath_ = path;
  if (ReadSetupFile(LocalPath(path), SetupData)) ShowSetupData();
}

bool TFormSetup::SaveSetup(const QString& path) {
  return WriteSetupFile(LocalPath(path), SetupData);
}

void TFormSetup::CollectControls() {
  SetupData.ImageZone = CSpinEditImageZone->FieldValue();
  SetupData.FindR = CSpinEditFindR->FieldValue();
  SetupData.Crop = CheckBoxCrop->isChecked() ? 1 : 0;
  SetupData.CropFrame = CSpinEditCropFrame->FieldValue();
  for (int type = 0; type <= 4; ++type) {
    if (SmoothButton(type)->isChecked()) SetupData.SmoothType = type;
  }
  SetupData.Quality = TrackBarQ->value();
}

void TFormSetup::ShowSetupData() {
  // The controls show the record clamped; the record keeps what was read.
  CSpinEditImageZone->setValue(std::clamp(SetupData.ImageZone, 0, 100));
  CSpinEditFindR->setValue(std::clamp(SetupData.FindR, 0, 100));
  CheckBoxCrop->setChecked(SetupData.Crop != 0);
  CSpinEditCropFrame->setValue(std::clamp(SetupData.CropFrame, 0, 50));
  if (SetupData.SmoothType >= 0 && SetupData.SmoothType <= 4) {
    SmoothButton(SetupData.SmoothType)->setChecked(true);
  }
  TrackBarQ->setValue(std::clamp(SetupData.Quality, 1, 5));
}

void TFormSetup::ButtonOkClick() {
  CollectControls();
  lastSaveOk_ = SaveSetup(configPath_);
  accept();
}

void TFormSetup::ButtonNoClick() {
  ShowSetupData();
  reject();
}

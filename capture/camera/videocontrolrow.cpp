#include "capture/camera/videocontrolrow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QSlider>
#include <QSpinBox>
#include <algorithm>

namespace {

std::optional<VideoControl> FindControl(VideoSource& source, uint32_t id) {
  for (VideoControl& control : source.Controls()) {
    if (control.Id == id) return std::move(control);
  }
  return std::nullopt;
}

}  // namespace

VideoControlRow::VideoControlRow(VideoSource& source, const VideoControl& control, QWidget* parent)
    : QWidget(parent), source_(source), id_(control.Id) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  switch (control.Type) {
    case VideoControl::Kind::Integer: BuildNumber(control); break;
    case VideoControl::Kind::Boolean:
      CheckBox = new QCheckBox(this);
      layout->addWidget(CheckBox);
      connect(CheckBox, &QCheckBox::toggled, this, [this](bool on) { Apply(on ? 1 : 0); });
      break;
    case VideoControl::Kind::Menu: BuildMenu(control); break;
  }
  ShowValue(control.Value);
  setEnabled(!control.ReadOnly);
}

void VideoControlRow::BuildNumber(const VideoControl& control) {
  Slider = new QSlider(Qt::Horizontal, this);
  SpinBox = new QSpinBox(this);
  Slider->setRange(control.Minimum, control.Maximum);
  Slider->setSingleStep(std::max(control.Step, 1));
  SpinBox->setRange(control.Minimum, control.Maximum);
  SpinBox->setSingleStep(std::max(control.Step, 1));
  layout()->addWidget(Slider);
  layout()->addWidget(SpinBox);
  // The spin box is the one that sends: a slider move reaches it first.
  connect(Slider, &QSlider::valueChanged, SpinBox, &QSpinBox::setValue);
  connect(SpinBox, &QSpinBox::valueChanged, Slider, &QSlider::setValue);
  connect(SpinBox, &QSpinBox::valueChanged, this, [this](int value) { Apply(value); });
}

void VideoControlRow::BuildMenu(const VideoControl& control) {
  ComboBox = new QComboBox(this);
  for (const auto& [value, text] : control.MenuItems) {
    ComboBox->addItem(QString::fromStdString(text), value);
  }
  layout()->addWidget(ComboBox);
  connect(ComboBox, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) Apply(ComboBox->itemData(index).toInt());
  });
}

void VideoControlRow::ShowValue(int32_t value) {
  showing_ = true;
  if (SpinBox) SpinBox->setValue(value);
  if (CheckBox) CheckBox->setChecked(value != 0);
  if (ComboBox) ComboBox->setCurrentIndex(ComboBox->findData(value));
  showing_ = false;
}

void VideoControlRow::Apply(int32_t value) {
  if (showing_) return;
  source_.SetControl(id_, value);
  if (const std::optional<VideoControl> now = FindControl(source_, id_)) ShowValue(now->Value);
}

std::vector<VideoControlRow*> AddControlRows(QFormLayout& form, VideoSource& source) {
  std::vector<VideoControlRow*> rows;
  for (const VideoControl& control : source.Controls()) {
    auto* row = new VideoControlRow(source, control);
    form.addRow(QString::fromStdString(control.Name), row);
    rows.push_back(row);
  }
  return rows;
}

void RefreshControlRows(const std::vector<VideoControlRow*>& rows, VideoSource& source) {
  const std::vector<VideoControl> controls = source.Controls();
  for (VideoControlRow* row : rows) {
    const auto it = std::find_if(controls.begin(), controls.end(),
                                 [row](const VideoControl& c) { return c.Id == row->ControlId(); });
    if (it == controls.end()) continue;
    row->ShowValue(it->Value);
    row->setEnabled(!it->ReadOnly);
  }
}

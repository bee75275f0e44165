#include "capture/v4l2/v4l2camera.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "capture/v4l2/v4l2mapping.h"

namespace {

bool InRange(int index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

std::string SizeText(FrameSize size) {
  return std::to_string(size.Width) + " × " + std::to_string(size.Height);
}

}  // namespace

std::unique_ptr<V4l2Camera> V4l2Camera::Open(std::shared_ptr<V4l2Io> io, const std::string& path,
                                             const std::string& name, std::string& error) {
  std::unique_ptr<V4l2Device> device = V4l2Device::Open(std::move(io), path);
  if (!device) {
    const std::string reason = DeviceErrorReason(errno);
    error = "Не удалось открыть видеоустройство «" + name + "» (" + path + "): " + reason;
    return nullptr;
  }
  const std::optional<v4l2_capability> capability = QueryCapability(*device);
  if (!capability || !IsStreamingCapture(*capability)) {
    error = "Устройство «" + name + "» (" + path + ") не подходит: это не камера " +
            "с потоковой передачей кадров";
    return nullptr;
  }
  std::unique_ptr<V4l2Camera> camera(new V4l2Camera(std::move(device), name));
  if (!camera->ReadLists(error)) return nullptr;
  return camera;
}

V4l2Camera::V4l2Camera(std::unique_ptr<V4l2Device> device, std::string name)
    : device_(std::move(device)),
      name_(std::move(name)),
      converter_(std::make_unique<FrameConverter>(*device_)) {}

V4l2Camera::~V4l2Camera() { Stop(); }

bool V4l2Camera::ReadLists(std::string& error) {
  formats_ = ReadPixelFormats(*device_);
  std::erase_if(formats_,
                [this](const V4l2PixelFormat& f) { return !converter_->CanConvert(f.Fourcc); });
  if (formats_.empty()) {
    error = "Видеоустройство «" + name_ + "» не предлагает ни одного формата изображения, " +
            "который программа умеет показывать";
    return false;
  }
  format_ = CurrentFormatIndex();
  sizes_ = ReadFrameSizes(*device_, formats_[format_].Fourcc);
  inputs_ = ReadInputs(*device_);
  // A device without input enumeration still has the one it captures from.
  if (inputs_.empty()) inputs_.push_back("Камера");
  standards_ = ReadStandards(*device_);
  return true;
}

int V4l2Camera::CurrentFormatIndex() const {
  const std::optional<v4l2_format> current = CurrentFormat(*device_);
  if (!current) return 0;
  const auto found = std::find_if(formats_.begin(), formats_.end(), [&](const V4l2PixelFormat& f) {
    return f.Fourcc == current->fmt.pix.pixelformat;
  });
  return found == formats_.end() ? 0 : static_cast<int>(found - formats_.begin());
}

std::vector<std::string> V4l2Camera::PixelFormats() const {
  std::vector<std::string> names;
  for (const V4l2PixelFormat& format : formats_) names.push_back(format.Name);
  return names;
}

bool V4l2Camera::SetPixelFormat(int index) {
  if (!InRange(index, formats_.size())) return Fail("Нет такого формата изображения");
  format_ = index;
  sizes_ = ReadFrameSizes(*device_, formats_[format_].Fourcc);
  return true;
}

std::vector<std::string> V4l2Camera::Standards() const {
  std::vector<std::string> names;
  for (const V4l2Standard& standard : standards_) names.push_back(standard.Name);
  return names;
}

int V4l2Camera::Standard() const {
  v4l2_std_id current = 0;
  if (standards_.empty() || device_->Ioctl(VIDIOC_G_STD, &current) < 0) return -1;
  std::vector<v4l2_std_id> ids;
  for (const V4l2Standard& standard : standards_) ids.push_back(standard.Id);
  return StandardIndex(ids, current);
}

bool V4l2Camera::SetStandard(int index) {
  if (!InRange(index, standards_.size())) return Fail("Нет такого телевизионного стандарта");
  v4l2_std_id id = standards_[index].Id;
  if (device_->Ioctl(VIDIOC_S_STD, &id) < 0) {
    const int error = errno;
    return Refused("стандарт «" + standards_[index].Name + "»", error);
  }
  return true;
}

int V4l2Camera::Input() const {
  int current = 0;
  if (device_->Ioctl(VIDIOC_G_INPUT, &current) < 0 || !InRange(current, inputs_.size())) return 0;
  return current;
}

bool V4l2Camera::SetInput(int index) {
  if (!InRange(index, inputs_.size())) return Fail("Нет такого видеовхода");
  int input = index;
  if (device_->Ioctl(VIDIOC_S_INPUT, &input) < 0) {
    const int error = errno;
    return Refused("вход «" + inputs_[index] + "»", error);
  }
  standards_ = ReadStandards(*device_);
  return true;
}

std::vector<VideoControl> V4l2Camera::Controls() { return ReadControls(*device_); }

bool V4l2Camera::SetControl(uint32_t id, int32_t value) {
  v4l2_control control{id, value};
  if (device_->Ioctl(VIDIOC_S_CTRL, &control) == 0) return true;
  const int error = errno;
  const std::optional<v4l2_queryctrl> query = QueryControl(*device_, id);
  const std::string name = query ? FieldText(query->name) : std::to_string(id);
  return Refused("значение " + std::to_string(value) + " настройки «" + name + "»", error);
}

bool V4l2Camera::Start(FrameSize size) {
  Stop();
  latest_.SetError("");
  latest_.Discard();
  const V4l2PixelFormat& chosen = formats_[format_];
  const std::optional<v4l2_pix_format> format = ApplyFormat(chosen.Fourcc, size);
  if (!format) {
    const int error = errno;
    return Refused("формат «" + chosen.Name + "» " + SizeText(size), error);
  }
  // The driver may answer with another format than the one asked for.
  if (!converter_->CanConvert(format->pixelformat))
    return Fail("Видеоустройство «" + name_ + "» предлагает кадры в формате «" +
                FourccText(format->pixelformat) + "», который программа не умеет показывать");
  streamSize_ = {static_cast<int>(format->width), static_cast<int>(format->height)};
  std::string error;
  stream_ = V4l2Stream::Start(*device_, *format, *converter_, latest_, name_, error);
  return stream_ ? true : Fail(error);
}

void V4l2Camera::Stop() { stream_.reset(); }

void V4l2Camera::SetFrameReady(std::function<void()> notify) {
  latest_.SetNotify(std::move(notify));
}

std::optional<v4l2_pix_format> V4l2Camera::ApplyFormat(uint32_t fourcc, FrameSize size) {
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.fmt.pix.width = static_cast<uint32_t>(std::max(size.Width, 0));
  format.fmt.pix.height = static_cast<uint32_t>(std::max(size.Height, 0));
  format.fmt.pix.pixelformat = fourcc;
  format.fmt.pix.field = V4L2_FIELD_ANY;
  if (device_->Ioctl(VIDIOC_S_FMT, &format) < 0) return std::nullopt;
  if (format.fmt.pix.width == 0 || format.fmt.pix.height == 0) {
    errno = EINVAL;
    return std::nullopt;
  }
  return format.fmt.pix;
}

bool V4l2Camera::Refused(const std::string& what, int error) {
  return Fail("Видеоустройство «" + name_ + "» не приняло " + what + ": " +
              DeviceErrorReason(error));
}

bool V4l2Camera::Fail(std::string message) {
  latest_.SetError(std::move(message));
  return false;
}

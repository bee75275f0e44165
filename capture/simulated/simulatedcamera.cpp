#include "capture/simulated/simulatedcamera.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>

#include "capture/video/flipbitmap.h"
#include "engine/registration/template/matching.h"
#include "imagefiles/imagefiles.h"
#include "samples/tissue.h"

namespace {

constexpr std::array<FrameSize, 6> kCommonSizes{
    {{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}}};
constexpr FrameSize kPreferredSize{640, 480};

// Picture controls: brightness is added, contrast (percent) stretches around
// mid-grey, gain (percent) multiplies; the defaults leave the picture as it is.
constexpr int kBrightnessLimit = 128;
constexpr int kContrastDefault = 100;
constexpr int kContrastMaximum = 200;
constexpr int kGainDefault = 100;
constexpr int kGainMaximum = 400;
constexpr double kMidGrey = 128.0;

VideoControl Level(uint32_t id, const char* name, int minimum, int maximum, int value) {
  VideoControl control;
  control.Id = id;
  control.Name = name;
  control.Minimum = minimum;
  control.Maximum = maximum;
  control.Default = value;
  control.Value = value;
  return control;
}

VideoControl Switch(uint32_t id, const char* name) {
  VideoControl control;
  control.Id = id;
  control.Name = name;
  control.Type = VideoControl::Kind::Boolean;
  control.Maximum = 1;
  return control;
}

int32_t ValueOf(const std::vector<VideoControl>& controls, uint32_t id) {
  const auto it = std::find_if(controls.begin(), controls.end(),
                               [id](const VideoControl& c) { return c.Id == id; });
  return it == controls.end() ? 0 : it->Value;
}

// The lamp's brightness factor for a frame: a slow beat of two sines, so
// consecutive frames differ but never by a fixed pattern.
double FlickerFactor(int amplitudePct, uint32_t frame) {
  const double t = static_cast<double>(frame);
  const double wave = 0.7 * std::sin(t * 0.9) + 0.3 * std::sin(t * 2.3 + 1.0);
  return 1.0 + amplitudePct / 100.0 * wave;
}

uint8_t ToByte(double value) {
  return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

std::string DescribeLoadFailure(const PixStatus& status) {
  switch (status.Error) {
    case PixError::NotFound: return "файл не найден";
    case PixError::Unsupported: return "формат файла не поддерживается";
    case PixError::Corrupt: return "файл повреждён";
    case PixError::Empty: return "файл пуст";
    case PixError::TooLarge: return "изображение слишком велико";
    case PixError::OutOfMemory: return "не хватает памяти";
    default: return "файл не удаётся прочитать (" + status.Detail + ")";
  }
}

}  // namespace

SimulatedCamera::SimulatedCamera(std::shared_ptr<const Bitmap> picture, std::vector<Point> path,
                                 const SimulatedCameraOptions& options)
    : picture_(std::move(picture)), path_(std::move(path)), options_(options) {
  controls_ = {
      Level(kSimulatedNoise, "Шум", 0, kSimulatedCameraMaxNoise, options.Noise),
      Level(kSimulatedFlicker, "Мерцание лампы", 0, kSimulatedCameraMaxFlicker, options.Flicker),
      Level(V4L2_CID_BRIGHTNESS, "Яркость", -kBrightnessLimit, kBrightnessLimit - 1, 0),
      Level(V4L2_CID_CONTRAST, "Контраст", 0, kContrastMaximum, kContrastDefault),
      Level(V4L2_CID_GAIN, "Усиление", 0, kGainMaximum, kGainDefault),
      Switch(V4L2_CID_HFLIP, "Отразить по горизонтали"),
      Switch(V4L2_CID_VFLIP, "Отразить по вертикали")};
  const std::vector<FrameSize> sizes = FrameSizes();
  const bool preferred = std::find(sizes.begin(), sizes.end(), kPreferredSize) != sizes.end();
  size_ = preferred || sizes.empty() ? kPreferredSize : sizes.front();
}

std::vector<FrameSize> SimulatedCamera::FrameSizes() const {
  std::vector<FrameSize> sizes;
  for (const FrameSize& size : kCommonSizes) {
    if (size.Width <= picture_->Width() && size.Height <= picture_->Height()) sizes.push_back(size);
  }
  return sizes;
}

std::vector<std::string> SimulatedCamera::PixelFormats() const { return {"BGR24"}; }

std::vector<std::string> SimulatedCamera::Inputs() const { return {"Имитация"}; }

bool SimulatedCamera::SetPixelFormat(int index) {
  if (index == 0) return true;
  error_ = "Имитация камеры знает только формат BGR24";
  return false;
}

bool SimulatedCamera::SetStandard(int /*index*/) {
  error_ = "У имитации камеры нет телевизионных стандартов";
  return false;
}

bool SimulatedCamera::SetInput(int index) {
  if (index == 0) return true;
  error_ = "У имитации камеры один вход";
  return false;
}

std::vector<VideoControl> SimulatedCamera::Controls() { return controls_; }

bool SimulatedCamera::SetControl(uint32_t id, int32_t value) {
  for (VideoControl& control : controls_) {
    if (control.Id != id) continue;
    if (value < control.Minimum || value > control.Maximum) {
      error_ =
          "Значение " + std::to_string(value) + " вне пределов настройки «" + control.Name + "»";
      return false;
    }
    control.Value = value;
    return true;
  }
  error_ = "Нет такой настройки у имитации камеры";
  return false;
}

bool SimulatedCamera::Start(FrameSize size) {
  const std::vector<FrameSize> sizes = FrameSizes();
  if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) {
    error_ = "Имитация камеры не даёт кадров размера " + std::to_string(size.Width) + " × " +
             std::to_string(size.Height);
    return false;
  }
  size_ = size;
  frameNumber_ = 0;
  running_ = true;
  error_.clear();
  const Point base = BasePosition();
  position_ = Clamped({base.X + offset_.X, base.Y + offset_.Y});
  if (notify_) notify_();
  return true;
}

Point SimulatedCamera::BasePosition() const {
  if (path_.empty()) {
    return {(picture_->Width() - size_.Width) / 2, (picture_->Height() - size_.Height) / 2};
  }
  return path_[std::min<size_t>(frameNumber_, path_.size() - 1)];
}

Point SimulatedCamera::Clamped(Point point) const {
  return {std::clamp(point.X, 0, picture_->Width() - size_.Width),
          std::clamp(point.Y, 0, picture_->Height() - size_.Height)};
}

std::optional<Bitmap> SimulatedCamera::TakeFrame() {
  if (!running_) return std::nullopt;
  const Point base = BasePosition();
  const Point wanted{base.X + offset_.X, base.Y + offset_.Y};
  position_ = Clamped(wanted);
  lastViewMoved_ = position_.X != wanted.X || position_.Y != wanted.Y;
  Bitmap frame = CopyRectBitmap(
      *picture_, {position_.X, position_.Y, position_.X + size_.Width, position_.Y + size_.Height});
  ApplyLight(frame);
  ApplyPictureControls(frame);
  FlipBitmap(frame, ValueOf(controls_, V4L2_CID_HFLIP) != 0,
             ValueOf(controls_, V4L2_CID_VFLIP) != 0);
  ++frameNumber_;
  return frame;
}

void SimulatedCamera::ApplyLight(Bitmap& frame) const {
  const int noise = ValueOf(controls_, kSimulatedNoise);
  const int flicker = ValueOf(controls_, kSimulatedFlicker);
  if (noise == 0 && flicker == 0) return;
  const double gain = FlickerFactor(flicker, frameNumber_);
  // Seeded by frame as well, so a frame is the same in every run but differs from the last.
  std::seed_seq seeds{options_.Seed, frameNumber_};
  std::mt19937 random(seeds);
  std::normal_distribution<double> grain(0.0, std::max(noise, 1));
  // One draw per pixel, the same on all three channels: grey noise, as the name says.
  for (int y = 0; y < frame.Height(); ++y) {
    for (int x = 0; x < frame.Width(); ++x) {
      const double add = noise > 0 ? grain(random) : 0.0;
      uint8_t* pixel = frame.Pixel(x, y);
      for (int c = 0; c < 3; ++c) pixel[c] = ToByte(pixel[c] * gain + add);
    }
  }
}

// The camera's own processing, after the sensor: gain, then contrast, then brightness.
void SimulatedCamera::ApplyPictureControls(Bitmap& frame) const {
  const int brightness = ValueOf(controls_, V4L2_CID_BRIGHTNESS);
  const int contrast = ValueOf(controls_, V4L2_CID_CONTRAST);
  const int gain = ValueOf(controls_, V4L2_CID_GAIN);
  if (brightness == 0 && contrast == kContrastDefault && gain == kGainDefault) return;
  std::array<uint8_t, 256> table{};
  for (int level = 0; level < 256; ++level) {
    const double amplified = level * gain / 100.0;
    const double stretched = (amplified - kMidGrey) * contrast / 100.0 + kMidGrey;
    table[static_cast<size_t>(level)] = ToByte(stretched + brightness);
  }
  for (int y = 0; y < frame.Height(); ++y) {
    uint8_t* row = frame.Row(y);
    for (int i = 0; i < frame.Width() * 3; ++i) row[i] = table[row[i]];
  }
}

bool SimulatedCamera::MoveView(int dx, int dy) {
  const Point base = BasePosition();
  const Point wanted{base.X + offset_.X + dx, base.Y + offset_.Y + dy};
  const Point inside = Clamped(wanted);
  offset_ = {inside.X - base.X, inside.Y - base.Y};
  return true;
}

SimulatedCameraProvider::SimulatedCameraProvider(SimulatedCameraOptions options,
                                                 FrameSize specimenSize)
    : options_(std::move(options)), specimenSize_(specimenSize) {}

std::vector<std::string> SimulatedCameraProvider::DeviceNames() {
  if (options_.Picture.empty()) return {"Имитация камеры"};
  return {"Имитация камеры (" + std::filesystem::path(options_.Picture).filename().string() + ")"};
}

bool SimulatedCameraProvider::LoadPicture(SimulatedCameraFailure& failure) {
  if (picture_) return true;
  if (options_.Picture.empty()) {
    picture_ = std::make_shared<const Bitmap>(
        RenderSpecimen(specimenSize_.Width, specimenSize_.Height, options_.Seed));
    return true;
  }
  Bitmap picture;
  failure.Load = PixLoadImage(options_.Picture, picture);
  if (!failure.Load) {
    failure.What = SimulatedCameraFailure::Picture;
    return false;
  }
  if (picture.Width() < kSmallestFrame.Width || picture.Height() < kSmallestFrame.Height) {
    failure.What = SimulatedCameraFailure::PictureTooSmall;
    return false;
  }
  picture_ = std::make_shared<const Bitmap>(std::move(picture));
  return true;
}

std::unique_ptr<SimulatedCamera> SimulatedCameraProvider::OpenCamera(
    SimulatedCameraFailure& failure) {
  failure = {};
  if (!LoadPicture(failure)) return nullptr;
  std::vector<Point> path;
  if (!options_.PathFile.empty()) {
    std::optional<std::vector<Point>> read = ReadCameraPath(options_.PathFile, failure.InPath);
    if (!read) {
      failure.What = SimulatedCameraFailure::Path;
      return nullptr;
    }
    path = std::move(*read);
  }
  return std::make_unique<SimulatedCamera>(picture_, std::move(path), options_);
}

std::unique_ptr<VideoSource> SimulatedCameraProvider::Open(int index, std::string& error) {
  if (index != 0) {
    error = "Устройство не найдено";
    return nullptr;
  }
  SimulatedCameraFailure failure;
  std::unique_ptr<SimulatedCamera> camera = OpenCamera(failure);
  const std::string picture = "«" + options_.Picture + "»";
  switch (failure.What) {
    case SimulatedCameraFailure::None: break;
    case SimulatedCameraFailure::Picture:
      error = "Не удалось открыть картинку имитации камеры " + picture + ": " +
              DescribeLoadFailure(failure.Load);
      break;
    case SimulatedCameraFailure::PictureTooSmall:
      error = "Картинка имитации камеры " + picture + " меньше самого малого кадра " +
              std::to_string(kSmallestFrame.Width) + " × " + std::to_string(kSmallestFrame.Height);
      break;
    case SimulatedCameraFailure::Path:
      error = CameraPathProblemText(options_.PathFile, failure.InPath);
      break;
  }
  return camera;
}

// The SANE binding: the library is opened with dlopen for one command and its
// functions looked up by name, so the program runs without it.

#include <dlfcn.h>
#include <sane/sane.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "capture/scanner/scanframe.h"
#include "capture/scanner/scanner.h"

namespace {

// Added in later versions of the standard; older headers lack them.
constexpr int kStatusWarmingUp = 12;
constexpr int kStatusHardwareLocked = 13;
constexpr size_t kReadBlock = 64 * 1024;
constexpr int kMaxFrames = 3;  // red, green, blue

struct SaneApi {
  decltype(&sane_init) Init = nullptr;
  decltype(&sane_exit) Exit = nullptr;
  decltype(&sane_get_devices) GetDevices = nullptr;
  decltype(&sane_open) Open = nullptr;
  decltype(&sane_close) Close = nullptr;
  decltype(&sane_get_option_descriptor) GetOptionDescriptor = nullptr;
  decltype(&sane_control_option) ControlOption = nullptr;
  decltype(&sane_get_parameters) GetParameters = nullptr;
  decltype(&sane_start) Start = nullptr;
  decltype(&sane_read) Read = nullptr;
  decltype(&sane_cancel) Cancel = nullptr;
  decltype(&sane_strstatus) StrStatus = nullptr;
};

// The loaded library; sane_exit and dlclose once the last user lets go.
class SaneLibrary {
 public:
  SaneLibrary(void* module, const SaneApi& api) : module_(module), api_(api) {}
  ~SaneLibrary() {
    api_.Exit();
    dlclose(module_);
  }
  SaneLibrary(const SaneLibrary&) = delete;
  SaneLibrary& operator=(const SaneLibrary&) = delete;
  const SaneApi& Api() const { return api_; }

 private:
  void* module_;
  SaneApi api_;
};

std::string StatusText(const SaneApi& api, SANE_Status status) {
  std::string text = ScanStatusText(static_cast<int>(status));
  const char* detail = api.StrStatus(status);
  if (detail != nullptr && *detail != '\0') text += std::string(" (") + detail + ")";
  return text;
}

std::optional<ScanFrameFormat> FormatOf(SANE_Frame frame) {
  switch (frame) {
    case SANE_FRAME_GRAY: return ScanFrameFormat::Gray;
    case SANE_FRAME_RGB: return ScanFrameFormat::Rgb;
    case SANE_FRAME_RED: return ScanFrameFormat::Red;
    case SANE_FRAME_GREEN: return ScanFrameFormat::Green;
    case SANE_FRAME_BLUE: return ScanFrameFormat::Blue;
    default: return std::nullopt;
  }
}

ScanValueType TypeOf(SANE_Value_Type type) {
  switch (type) {
    case SANE_TYPE_BOOL: return ScanValueType::Bool;
    case SANE_TYPE_INT: return ScanValueType::Int;
    case SANE_TYPE_FIXED: return ScanValueType::Fixed;
    case SANE_TYPE_STRING: return ScanValueType::String;
    case SANE_TYPE_BUTTON: return ScanValueType::Button;
    default: return ScanValueType::Group;
  }
}

ScanUnit UnitOf(SANE_Unit unit) {
  switch (unit) {
    case SANE_UNIT_PIXEL: return ScanUnit::Pixel;
    case SANE_UNIT_BIT: return ScanUnit::Bit;
    case SANE_UNIT_MM: return ScanUnit::Mm;
    case SANE_UNIT_DPI: return ScanUnit::Dpi;
    case SANE_UNIT_PERCENT: return ScanUnit::Percent;
    case SANE_UNIT_MICROSECOND: return ScanUnit::Microsecond;
    default: return ScanUnit::None;
  }
}

double FromWord(SANE_Value_Type type, SANE_Word word) {
  return type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
}

void ReadConstraint(const SANE_Option_Descriptor& desc, ScanOption& option) {
  if (desc.constraint_type == SANE_CONSTRAINT_RANGE && desc.constraint.range != nullptr) {
    const SANE_Range& range = *desc.constraint.range;
    option.Range = ScanRange{FromWord(desc.type, range.min), FromWord(desc.type, range.max),
                             FromWord(desc.type, range.quant)};
  } else if (desc.constraint_type == SANE_CONSTRAINT_WORD_LIST &&
             desc.constraint.word_list != nullptr) {
    const SANE_Word* list = desc.constraint.word_list;
    for (SANE_Word i = 1; i <= list[0]; ++i) option.Numbers.push_back(FromWord(desc.type, list[i]));
  } else if (desc.constraint_type == SANE_CONSTRAINT_STRING_LIST &&
             desc.constraint.string_list != nullptr) {
    for (const SANE_String_Const* s = desc.constraint.string_list; *s != nullptr; ++s) {
      option.Strings.emplace_back(*s);
    }
  }
}

class SaneSession : public ScannerSession {
 public:
  SaneSession(std::shared_ptr<SaneLibrary> library, SANE_Handle handle)
      : library_(std::move(library)), api_(library_->Api()), handle_(handle) {}
  ~SaneSession() override { api_.Close(handle_); }
  SaneSession(const SaneSession&) = delete;
  SaneSession& operator=(const SaneSession&) = delete;

  std::vector<ScanOption> Options() override {
    std::vector<ScanOption> options;
    const int count = OptionCount();
    for (int index = 1; index < count; ++index) {
      const SANE_Option_Descriptor* desc = api_.GetOptionDescriptor(handle_, index);
      if (desc == nullptr) continue;
      options.push_back(Describe(index, *desc));
    }
    return options;
  }

  std::string SetNumber(const std::string& name, double value) override {
    const SANE_Option_Descriptor* desc = nullptr;
    const int index = IndexOf(name, desc);
    if (index < 0) return "У сканера нет параметра «" + name + "».";
    if (desc->type != SANE_TYPE_INT && desc->type != SANE_TYPE_FIXED &&
        desc->type != SANE_TYPE_BOOL) {
      return "Параметр сканера «" + name + "» не числовой.";
    }
    // A value for every element, so options holding several take it too.
    const size_t words = std::max<size_t>(1, static_cast<size_t>(desc->size) / sizeof(SANE_Word));
    const SANE_Word word = desc->type == SANE_TYPE_FIXED
                               ? static_cast<SANE_Word>(std::lround(value * (1 << 16)))
                               : static_cast<SANE_Word>(std::lround(value));
    std::vector<SANE_Word> values(words, word);
    return Set(index, values.data());
  }

  std::string SetText(const std::string& name, const std::string& value) override {
    const SANE_Option_Descriptor* desc = nullptr;
    const int index = IndexOf(name, desc);
    if (index < 0) return "У сканера нет параметра «" + name + "».";
    if (desc->type != SANE_TYPE_STRING || desc->size <= 0) {
      return "Параметр сканера «" + name + "» не текстовый.";
    }
    std::vector<char> buffer(static_cast<size_t>(desc->size), '\0');
    std::memcpy(buffer.data(), value.data(), std::min(value.size(), buffer.size() - 1));
    return Set(index, buffer.data());
  }

  ScanOutcome Scan(const ScanProgress& progress, const std::atomic<bool>& cancel) override {
    ScanOutcome outcome = ScanFrames(progress, cancel);
    // The standard asks for it after every picture, also a failed one.
    api_.Cancel(handle_);
    return outcome;
  }

 private:
  int OptionCount() {
    SANE_Int count = 0;
    if (api_.ControlOption(handle_, 0, SANE_ACTION_GET_VALUE, &count, nullptr) !=
        SANE_STATUS_GOOD) {
      return 0;
    }
    return count;
  }

  int IndexOf(const std::string& name, const SANE_Option_Descriptor*& found) {
    const int count = OptionCount();
    for (int index = 1; index < count; ++index) {
      const SANE_Option_Descriptor* desc = api_.GetOptionDescriptor(handle_, index);
      if (desc != nullptr && desc->name != nullptr && name == desc->name) {
        found = desc;
        return index;
      }
    }
    return -1;
  }

  std::string Set(int index, void* value) {
    SANE_Int info = 0;
    const SANE_Status status =
        api_.ControlOption(handle_, index, SANE_ACTION_SET_VALUE, value, &info);
    return status == SANE_STATUS_GOOD ? std::string() : StatusText(api_, status);
  }

  ScanOption Describe(int index, const SANE_Option_Descriptor& desc) {
    ScanOption option;
    option.Name = desc.name != nullptr ? desc.name : "";
    option.Title = desc.title != nullptr ? desc.title : option.Name;
    option.Type = TypeOf(desc.type);
    option.Unit = UnitOf(desc.unit);
    option.Active = SANE_OPTION_IS_ACTIVE(desc.cap);
    option.Settable = SANE_OPTION_IS_SETTABLE(desc.cap);
    ReadConstraint(desc, option);
    const bool numeric =
        desc.type == SANE_TYPE_INT || desc.type == SANE_TYPE_FIXED || desc.type == SANE_TYPE_BOOL;
    if (numeric) option.Count = std::max(1, desc.size / static_cast<int>(sizeof(SANE_Word)));
    if (!option.Active || desc.size <= 0 || (!numeric && desc.type != SANE_TYPE_STRING)) {
      return option;
    }
    std::vector<char> buffer(static_cast<size_t>(desc.size) + 1, '\0');
    if (api_.ControlOption(handle_, index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) !=
        SANE_STATUS_GOOD) {
      return option;
    }
    if (numeric) {
      SANE_Word word = 0;
      std::memcpy(&word, buffer.data(), sizeof word);
      option.Number = FromWord(desc.type, word);
    } else {
      option.Text = buffer.data();
    }
    return option;
  }

  ScanOutcome Failed(std::string error) {
    ScanOutcome outcome;
    outcome.Error = std::move(error);
    return outcome;
  }

  ScanOutcome FromStatus(SANE_Status status) {
    if (status == SANE_STATUS_CANCELLED) return ScanOutcome{ScanOutcome::Kind::Cancelled, {}, {}};
    return Failed(StatusText(api_, status));
  }

  ScanOutcome ScanFrames(const ScanProgress& progress, const std::atomic<bool>& cancel) {
    ScanImageBuilder builder;
    std::vector<SANE_Byte> block(kReadBlock);
    for (int frame = 0;; ++frame) {
      if (frame == kMaxFrames) return Failed("Сканер передал больше трёх цветовых кадров.");
      if (cancel) return ScanOutcome{ScanOutcome::Kind::Cancelled, {}, {}};
      SANE_Status status = api_.Start(handle_);
      if (status != SANE_STATUS_GOOD) return FromStatus(status);
      SANE_Parameters parameters{};
      status = api_.GetParameters(handle_, &parameters);
      if (status != SANE_STATUS_GOOD) return FromStatus(status);
      const std::optional<ScanFrameFormat> format = FormatOf(parameters.format);
      if (!format)
        return Failed("Сканер передаёт изображение в формате, который программа не читает.");
      const std::string problem =
          builder.BeginFrame({*format, parameters.depth, parameters.bytes_per_line,
                              parameters.pixels_per_line, parameters.lines});
      if (!problem.empty()) return Failed(problem);
      const int frames =
          *format == ScanFrameFormat::Gray || *format == ScanFrameFormat::Rgb ? 1 : 3;
      for (;;) {
        if (cancel) return ScanOutcome{ScanOutcome::Kind::Cancelled, {}, {}};
        SANE_Int length = 0;
        status = api_.Read(handle_, block.data(), static_cast<SANE_Int>(block.size()), &length);
        if (status == SANE_STATUS_EOF) break;
        if (status != SANE_STATUS_GOOD) return FromStatus(status);
        if (length < 0 || length > static_cast<SANE_Int>(block.size())) {
          return Failed("Сканер передал неверную длину данных.");
        }
        if (!builder.Append(block.data(), static_cast<size_t>(length))) {
          return Failed("Сканер передал больше данных, чем сообщил.");
        }
        if (progress) progress(Percent(builder, frame, frames));
      }
      if (parameters.last_frame) break;
    }
    std::string error;
    std::optional<Bitmap> image = builder.Finish(error);
    if (!image) return Failed(error);
    if (progress) progress(100);
    return ScanOutcome{ScanOutcome::Kind::Done, std::move(*image), {}};
  }

  static int Percent(const ScanImageBuilder& builder, int frame, int frames) {
    const std::optional<int64_t> total = builder.FrameBytes();
    if (!total || *total <= 0) return 0;
    const double part = std::min(1.0, static_cast<double>(builder.FrameBytesRead()) / *total);
    return static_cast<int>((frame + part) * 100 / frames);
  }

  std::shared_ptr<SaneLibrary> library_;
  const SaneApi& api_;
  SANE_Handle handle_;
};

class SaneBackend : public ScannerBackend {
 public:
  explicit SaneBackend(std::shared_ptr<SaneLibrary> library) : library_(std::move(library)) {}

  std::vector<ScannerDevice> Devices() override {
    const SANE_Device** list = nullptr;
    std::vector<ScannerDevice> devices;
    if (library_->Api().GetDevices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr) {
      return devices;
    }
    const auto text = [](const char* s) { return s != nullptr ? std::string(s) : std::string(); };
    for (const SANE_Device** d = list; *d != nullptr; ++d) {
      devices.push_back(
          {text((*d)->name), text((*d)->vendor), text((*d)->model), text((*d)->type)});
    }
    return devices;
  }

  std::unique_ptr<ScannerSession> Open(const std::string& name, std::string& error) override {
    SANE_Handle handle = nullptr;
    const SANE_Status status = library_->Api().Open(name.c_str(), &handle);
    if (status != SANE_STATUS_GOOD || handle == nullptr) {
      error = "Сканер «" + name + "» не открывается: " + StatusText(library_->Api(), status);
      return nullptr;
    }
    return std::make_unique<SaneSession>(library_, handle);
  }

 private:
  std::shared_ptr<SaneLibrary> library_;
};

template <typename Function>
bool LookUp(void* module, const char* name, Function& function, std::string& missing) {
  function = reinterpret_cast<Function>(dlsym(module, name));
  if (function == nullptr && missing.empty()) missing = name;
  return function != nullptr;
}

}  // namespace

std::unique_ptr<ScannerBackend> LoadSaneBackend(const std::string& libraryPath,
                                                std::string& error) {
  void* module = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = dlerror();
    error = "Библиотека сканеров " + libraryPath + " не загружается" +
            (why != nullptr ? std::string(": ") + why : std::string()) +
            ". Для сканирования установите пакет libsane1.";
    return nullptr;
  }
  SaneApi api;
  std::string missing;
  LookUp(module, "sane_init", api.Init, missing);
  LookUp(module, "sane_exit", api.Exit, missing);
  LookUp(module, "sane_get_devices", api.GetDevices, missing);
  LookUp(module, "sane_open", api.Open, missing);
  LookUp(module, "sane_close", api.Close, missing);
  LookUp(module, "sane_get_option_descriptor", api.GetOptionDescriptor, missing);
  LookUp(module, "sane_control_option", api.ControlOption, missing);
  LookUp(module, "sane_get_parameters", api.GetParameters, missing);
  LookUp(module, "sane_start", api.Start, missing);
  LookUp(module, "sane_read", api.Read, missing);
  LookUp(module, "sane_cancel", api.Cancel, missing);
  LookUp(module, "sane_strstatus", api.StrStatus, missing);
  if (!missing.empty()) {
    dlclose(module);
    error = "В библиотеке сканеров " + libraryPath + " нет функции " + missing + ".";
    return nullptr;
  }
  SANE_Int version = 0;
  const SANE_Status status = api.Init(&version, nullptr);
  if (status != SANE_STATUS_GOOD) {
    dlclose(module);
    error = "Библиотека сканеров не запускается (код " + std::to_string(static_cast<int>(status)) +
            ").";
    return nullptr;
  }
  return std::make_unique<SaneBackend>(std::make_shared<SaneLibrary>(module, api));
}

std::string ScanStatusText(int status) {
  std::string text;
  switch (status) {
    case SANE_STATUS_UNSUPPORTED: text = "Сканер не поддерживает эту операцию."; break;
    case SANE_STATUS_CANCELLED: text = "Сканирование прервано."; break;
    case SANE_STATUS_DEVICE_BUSY: text = "Сканер занят."; break;
    case SANE_STATUS_INVAL: text = "Сканер не принял параметры."; break;
    case SANE_STATUS_EOF: text = "Сканер неожиданно закончил передачу."; break;
    case SANE_STATUS_JAMMED: text = "В сканере застряла бумага."; break;
    case SANE_STATUS_NO_DOCS: text = "В устройстве подачи нет документов."; break;
    case SANE_STATUS_COVER_OPEN: text = "Крышка сканера открыта."; break;
    case SANE_STATUS_IO_ERROR: text = "Ошибка связи со сканером."; break;
    case SANE_STATUS_NO_MEM: text = "Сканеру не хватило памяти."; break;
    case SANE_STATUS_ACCESS_DENIED: text = "Нет доступа к сканеру."; break;
    case kStatusWarmingUp: text = "Лампа сканера ещё не прогрелась; повторите позже."; break;
    case kStatusHardwareLocked: text = "Механизм сканера заблокирован для перевозки."; break;
    default: text = "Сканер сообщил об ошибке (код " + std::to_string(status) + ").";
  }
  return text;
}

const ScanOption* FindScanOption(const std::vector<ScanOption>& options, const std::string& name) {
  for (const ScanOption& option : options) {
    if (option.Name == name) return &option;
  }
  return nullptr;
}

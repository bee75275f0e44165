#include "capture/v4l2/v4l2device.h"

#include <cerrno>
#include <utility>

std::unique_ptr<V4l2Device> V4l2Device::Open(std::shared_ptr<V4l2Io> io, const std::string& path) {
  const int fd = io->Open(path);
  if (fd < 0) return nullptr;
  return std::unique_ptr<V4l2Device>(new V4l2Device(std::move(io), fd, path));
}

V4l2Device::V4l2Device(std::shared_ptr<V4l2Io> io, int fd, std::string path)
    : io_(std::move(io)), fd_(fd), path_(std::move(path)) {}

V4l2Device::~V4l2Device() { io_->Close(fd_); }

std::string DeviceErrorReason(int error) {
  switch (error) {
    case ENOENT: return "устройство не найдено";
    case ENODEV:
    case ENXIO:
    case EIO: return "устройство отключено или не отвечает";
    case EACCES:
    case EPERM: return "нет прав доступа к устройству";
    case EBUSY: return "устройство занято другой программой";
    case ENOMEM: return "не хватает памяти";
    case EINVAL:
    case ERANGE: return "устройство не поддерживает это значение";
    case ETIMEDOUT: return "устройство не ответило вовремя";
    default: return "ошибка системы " + std::to_string(error);
  }
}

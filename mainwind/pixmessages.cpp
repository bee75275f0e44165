#include "pixmessages.h"

#include <QFile>

QString DescribePixError(PixError error) {
  switch (error) {
    case PixError::None: return QStringLiteral("ошибки нет");
    case PixError::NotFound: return QStringLiteral("файл не найден");
    case PixError::Unreadable: return QStringLiteral("файл не удаётся открыть");
    case PixError::Empty: return QStringLiteral("файл пуст");
    case PixError::Unsupported: return QStringLiteral("формат файла не поддерживается");
    case PixError::Corrupt: return QStringLiteral("файл повреждён");
    case PixError::TooLarge: return QStringLiteral("изображение слишком велико");
    case PixError::OutOfMemory: return QStringLiteral("недостаточно памяти");
    case PixError::WriteFailed: return QStringLiteral("файл не удаётся записать");
  }
  return QStringLiteral("неизвестная ошибка");
}

QString SaveFailedMessage(const std::string& fileName, const PixStatus& status) {
  return QStringLiteral("Не удалось сохранить изображение в файл %1: %2.")
      .arg(QFile::decodeName(QByteArray::fromStdString(fileName)), DescribePixError(status.Error));
}

QString TooLargeForFormatMessage(const std::string& fileName, int width, int height) {
  const QString suffix = QFile::decodeName(QByteArray::fromStdString(fileName))
                             .section(QLatin1Char('.'), -1)
                             .toUpper();
  QString text = QStringLiteral("Изображение %1 x %2 точек слишком велико для формата %3.")
                     .arg(width)
                     .arg(height)
                     .arg(suffix);
  const std::string holder = PixFormatThatHolds(width, height);
  if (!holder.empty()) {
    text += QStringLiteral(" Сохраните его в формате %1.")
                .arg(QString::fromStdString(holder).toUpper());
  }
  return text;
}

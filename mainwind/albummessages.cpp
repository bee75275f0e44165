#include "albummessages.h"

#include <QStringList>

#include "engine/panoram.h"

QString DescribePixError(PixError error) {
  switch (error) {
    case PixError::None: return QStringLiteral("ошибки нет");
    case PixError::NotFound: return QStringLiteral("файл не найден");
    case PixError::Unreadable: return QStringLiteral("файл не удаётся открыть");
    case PixError::Unsupported: return QStringLiteral("формат файла не поддерживается");
    case PixError::Corrupt: return QStringLiteral("файл повреждён");
    case PixError::TooLarge: return QStringLiteral("изображение слишком велико");
    case PixError::OutOfMemory: return QStringLiteral("недостаточно памяти");
    case PixError::WriteFailed: return QStringLiteral("файл не удаётся записать");
  }
  return QStringLiteral("неизвестная ошибка");
}

QString AlbumLoadMessage(const AlbumLoadReport& report) {
  QStringList parts;
  if (!report.Failed.empty()) {
    QStringList lines{QStringLiteral("Не удалось загрузить изображения:")};
    for (const AlbumLoadFailure& failure : report.Failed)
      lines << QStringLiteral("%1 — %2")
                   .arg(QString::fromStdString(failure.Name), DescribePixError(failure.Status.Error));
    parts << lines.join(QLatin1Char('\n'));
  }
  if (!report.Damaged.empty()) {
    QStringList lines{QStringLiteral("Изображения загружены, но данные в файлах повреждены — "
                                     "проверьте их:")};
    for (const AlbumLoadFailure& damaged : report.Damaged) lines << QString::fromStdString(damaged.Name);
    parts << lines.join(QLatin1Char('\n'));
  }
  if (report.StoreFull) {
    parts << QStringLiteral("Альбом заполнен: в нём может быть не более %1 изображений. "
                            "Добавлено изображений: %2, не загружено: %3.")
                 .arg(Panoram::kCapacity)
                 .arg(report.Added)
                 .arg(report.NotLoaded);
  }
  return parts.join(QStringLiteral("\n\n"));
}

QString SaveFailedMessage(const std::string& fileName, const PixStatus& status) {
  return QStringLiteral("Не удалось сохранить изображение в файл %1: %2.")
      .arg(QString::fromStdString(fileName), DescribePixError(status.Error));
}

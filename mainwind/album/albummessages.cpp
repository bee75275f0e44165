#include "albummessages.h"

#include <QFile>
#include <QStringList>

#include "engine/panoram.h"
#include "mainwind/pixmessages.h"

QString AlbumLoadMessage(const AlbumLoadReport& report) {
  QStringList parts;
  if (!report.Failed.empty()) {
    QStringList lines{QStringLiteral("Не удалось загрузить изображения:")};
    for (const AlbumLoadFailure& failure : report.Failed)
      lines << QStringLiteral("%1 — %2").arg(
          QFile::decodeName(QByteArray::fromStdString(failure.Name)),
          DescribePixError(failure.Status.Error));
    parts << lines.join(QLatin1Char('\n'));
  }
  if (!report.Damaged.empty()) {
    QStringList lines{
        QStringLiteral("Изображения загружены, но данные в файлах повреждены — "
                       "проверьте их:")};
    for (const AlbumLoadFailure& damaged : report.Damaged)
      lines << QFile::decodeName(QByteArray::fromStdString(damaged.Name));
    parts << lines.join(QLatin1Char('\n'));
  }
  if (report.StoreFull) {
    parts << QStringLiteral(
                 "Альбом заполнен: в нём может быть не более %1 изображений. "
                 "Добавлено изображений: %2, не загружено: %3.")
                 .arg(Panoram::kCapacity)
                 .arg(report.Added)
                 .arg(report.NotLoaded);
  }
  return parts.join(QStringLiteral("\n\n"));
}

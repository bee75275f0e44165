#include "assemblystatus.h"

#include "widgets/viewgeometry.h"

QStringList AssemblyStatusTexts(const AssemblyFacts& facts) {
  return {
      QStringLiteral("Всего изображений  ") + QString::number(facts.ImageCount),
      QStringLiteral("Размер %1x%2").arg(facts.PictureWidth).arg(facts.PictureHeight),
      QStringLiteral("Увеличение %1 %").arg(ZoomPercent(facts.Zoom)),
      facts.Smoothed ? QStringLiteral("Сглажено") : QString(),
      facts.Cropped ? QStringLiteral("Обрезано") : QString(),
      facts.Working ? QStringLiteral("Обработка") : QString(),
  };
}

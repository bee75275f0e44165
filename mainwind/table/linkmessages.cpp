#include "linkmessages.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

#include "dialogs/settings/setupwin.h"
#include "engine/registration/linkscore.h"

namespace {

constexpr int kPairsNamed = 12;  // beyond this the rest are counted, not listed

QString PairList(const std::vector<int>& links) {
  QStringList pairs;
  for (size_t i = 0; i < links.size() && i < kPairsNamed; ++i) {
    pairs << QStringLiteral("%1 и %2").arg(links[i] + 1).arg(links[i] + 2);
  }
  QString text = pairs.join(QStringLiteral(", "));
  if (links.size() > kPairsNamed) {
    text += QStringLiteral(" и ещё %1").arg(links.size() - kPairsNamed);
  }
  return text;
}

// At most kPairsNamed items joined, the rest counted.
QString Listed(const QStringList& items) {
  QString text = items.mid(0, kPairsNamed).join(QStringLiteral(", "));
  if (items.size() > kPairsNamed)
    text += QStringLiteral(" и ещё %1").arg(items.size() - kPairsNamed);
  return text;
}

// "1 точку", "2 точки", "5 точек".
QString Points(long n) {
  const long tens = n % 100, ones = n % 10;
  const char* word = (tens >= 11 && tens <= 14) ? "точек"
                     : ones == 1                ? "точку"
                     : (ones >= 2 && ones <= 4) ? "точки"
                                                : "точек";
  return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(word));
}

QString Cause(const UnsetLinks& links) {
  if (links.Radius < 1) {
    return QStringLiteral(
               "Причина: радиус зоны поиска равен %1, с ним поиск невозможен. "
               "Задайте в настройках радиус от 1 до %2.")
        .arg(links.Radius)
        .arg(std::max(links.FittingRadius, 1));
  }
  if (!links.ZoneTooSmall()) {
    return QStringLiteral(
        "Вероятная причина: изображения не перекрываются в просматриваемых зонах или в зонах "
        "слишком мало деталей. Проверьте порядок и раскладку изображений, увеличьте размер "
        "зоны перекрытия в настройках или задайте точки вручную на странице «Коррекция».");
  }
  const QString zone = QStringLiteral(
                           "Причина: при размере зоны перекрытия %1 % окно поиска с радиусом %2 "
                           "не помещается в зону.")
                           .arg(links.ZonePct)
                           .arg(links.Radius);
  if (links.FittingRadius <= 0) {
    return zone + QStringLiteral(
                      " При таком размере зоны не помещается окно никакого радиуса: "
                      "увеличьте размер зоны перекрытия в настройках.");
  }
  return zone + QStringLiteral(
                    " Наибольший радиус, который помещается, — %1: уменьшите "
                    "радиус зоны поиска или увеличьте размер зоны перекрытия в "
                    "настройках.")
                    .arg(links.FittingRadius);
}

// The search to try instead of method: the template search joined by phase
// correlation where it is weak, or after phase correlation alone, the template
// search it lacks. With both in use already, only a hand can do better.
QString OtherMethodAdvice(SearchMethod method) {
  switch (method) {
    case SearchMethod::Template:
    case SearchMethod::Phase:
      return QStringLiteral("проверьте их или выберите в настройках способ поиска «%1».")
          .arg(SearchMethodCaption(method == SearchMethod::Template ? SearchMethod::TemplatePhase
                                                                    : SearchMethod::Template));
    case SearchMethod::TemplatePhase: break;
  }
  return QStringLiteral(
      "проверьте их и при необходимости задайте точки вручную: оба способа поиска, шаблон и "
      "фаза, уже применены.");
}

QString WeakLinksText(const std::vector<int>& weak, SearchMethod method) {
  const QString head =
      weak.size() == 1 ? QStringLiteral("Для пары изображений %1 найденное совпадение ненадёжно")
                       : QStringLiteral("Для пар изображений %1 найденные совпадения ненадёжны");
  return head.arg(PairList(weak)) +
         QStringLiteral(
             " (оценка ниже %1): в этих местах панорама может быть собрана неверно. Такие связи "
             "отмечены на странице «Коррекция» жёлтым; ")
             .arg(QString::number(kWeakLinkScore, 'f', 1)
                      .replace(QLatin1Char('.'), QLatin1Char(','))) +
         OtherMethodAdvice(method);
}

}  // namespace

QString UnsetLinksMessage(const UnsetLinks& links, SearchMethod method) {
  QString text;
  if (!links.Links.empty()) {
    const QString head = links.Links.size() == 1
                             ? QStringLiteral("Для пары изображений %1 совпадение не найдено")
                             : QStringLiteral("Для пар изображений %1 совпадение не найдено");
    text = head.arg(PairList(links.Links)) +
           QStringLiteral(
               ": эти связи не заданы и отмечены на странице «Коррекция» жёлтой "
               "надписью «не задана», поэтому панорама собрана неверно.\n\n") +
           Cause(links);
  }
  if (!links.Weak.empty()) {
    if (!text.isEmpty()) text += QStringLiteral("\n\n");
    text += WeakLinksText(links.Weak, method);
  }
  return text;
}

QString MadeGoodLinksMessage(const std::vector<int>& links) {
  if (links.empty()) return {};
  return (links.size() == 1
              ? QStringLiteral("Для пары изображений %1 совпадение не найдено или ненадёжно, но "
                               "оба изображения размещены по надёжным связям с другими соседями.")
              : QStringLiteral("Для пар изображений %1 совпадения не найдены или ненадёжны, но "
                               "эти изображения размещены по надёжным связям с другими соседями."))
      .arg(PairList(links));
}

QString NeighbourPlacementMessage(const AllNeighbourPlaces& placed) {
  QStringList dropped;
  for (const size_t k : DroppedLinks(placed)) {
    const ImageLink& l = placed.Links[k];
    dropped << QStringLiteral("%1 и %2 (на %3)")
                   .arg(l.From + 1)
                   .arg(l.To + 1)
                   .arg(Points(std::lround(placed.Result.Fits[k].Residual)));
  }
  QStringList alone;
  for (const int i : placed.Result.Unanchored) alone << QString::number(i + 1);
  QString text;
  if (!dropped.isEmpty()) {
    text = (dropped.size() == 1
                ? QStringLiteral("При размещении по всем соседям отброшена связь изображений %1")
                : QStringLiteral("При размещении по всем соседям отброшены связи изображений %1"))
               .arg(Listed(dropped)) +
           QStringLiteral(": они расходятся с остальными связями.");
  }
  if (!alone.isEmpty()) {
    if (!text.isEmpty()) text += QStringLiteral("\n\n");
    text += (alone.size() == 1
                 ? QStringLiteral("Изображение %1 не связано с остальными надёжной связью и "
                                  "оставлено на месте, которое дала цепочка.")
                 : QStringLiteral("Изображения %1 не связаны с остальными надёжной связью и "
                                  "оставлены на местах, которые дала цепочка."))
                .arg(Listed(alone)) +
            QStringLiteral(" Проверьте их связи на странице «Коррекция».");
  }
  return text;
}

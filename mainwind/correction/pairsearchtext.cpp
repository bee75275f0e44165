#include "pairsearchtext.h"

#include "dialogs/settings/setupwin.h"
#include "engine/registration/linkscore.h"
#include "mainwind/correction/connectioncell.h"

namespace {

// "Пара 1–2": images are numbered from 1 for the user.
QString PairName(int link) { return QStringLiteral("Пара %1–%2").arg(link + 1).arg(link + 2); }

QString Asked(const PairSearch& s) {
  return QStringLiteral("%1, второе изображение %2, метод «%3»")
      .arg(PairName(s.Link), SideCaption(s.AskedDirection), SearchMethodCaption(s.Method));
}

}  // namespace

QString SideCaption(int direction) {
  switch (direction) {
    case 1: return QStringLiteral("справа");
    case 2: return QStringLiteral("снизу");
    case 3: return QStringLiteral("слева");
    case 4: return QStringLiteral("сверху");
    default: return QStringLiteral("с любой стороны");
  }
}

QString LinkStateText(const PairLinkState& link) {
  if (!link.Set()) return QStringLiteral("связь не задана");
  return QStringLiteral("смещение %1, оценка %2")
      .arg(LinkOffsetText(link.At()), LinkScoreText(link.Score));
}

QString KeepFoundLinkQuestion(const PairSearch& s) {
  QString text = Asked(s) + QStringLiteral(".\n\nНайдено: ") + LinkStateText(s.Result);
  if (s.AskedDirection == 0)
    text += QStringLiteral(", второе изображение ") + SideCaption(s.Result.Direction);
  text += QStringLiteral(".\nСейчас: ") + LinkStateText(s.Before) + QStringLiteral(".");
  if (s.Result.Score < kWeakLinkScore) {
    text += QStringLiteral("\n\nНайденная связь слабая (оценка ниже %1): вероятно, она неверна.")
                .arg(LinkScoreText(kWeakLinkScore));
  }
  if (s.Result.Direction != s.Before.Direction) {
    text += QStringLiteral("\n\nНаправление пары изменится на «%1».")
                .arg(SideCaption(s.Result.Direction));
  }
  return text + QStringLiteral("\n\nОставить найденную связь?");
}

QString PairSearchFailure(const PairSearch& s) {
  const QString kept = QStringLiteral(" Связь оставлена прежней.");
  switch (s.Kind) {
    case PairSearch::Found: return {};
    case PairSearch::NotFound:
      return Asked(s) + QStringLiteral(": совпадение не найдено.") + kept +
             QStringLiteral(
                 "\n\nПопробуйте другой метод или другую сторону либо увеличьте зону "
                 "перекрытия в настройках программы.");
    case PairSearch::OutOfMemory:
      return PairName(s.Link) + QStringLiteral(": для поиска не хватило памяти.") + kept;
    case PairSearch::NoPair: break;
  }
  return QStringLiteral("Пара для поиска не выбрана.");
}

QString KeptPairNote(const PairSearch& s, const KeptPairSearch& kept) {
  if (!kept.Kept) {
    return PairName(s.Link) +
           QStringLiteral(": связь изменилась после поиска, найденная связь не применена.");
  }
  if (kept.TableKept) {
    return QStringLiteral(
        "Направление пары изменено, но поле монтажа не может показать новую "
        "раскладку: два изображения попали бы в одну клетку или за край поля. "
        "Поле монтажа оставлено прежним, панорама строится по связям.");
  }
  return {};
}

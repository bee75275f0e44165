#include "widgets/userdialogs.h"

#include <QMessageBox>
#include <utility>

namespace {

QuestionHandler& Questions() {
  static QuestionHandler handler;
  return handler;
}

ChoiceHandler& Choices() {
  static ChoiceHandler handler;
  return handler;
}

MessageHandler& Messages() {
  static MessageHandler handler;
  return handler;
}

QMessageBox::Icon BoxIcon(MessageKind kind) {
  switch (kind) {
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

bool AskYesNo(QWidget* parent, const QString& caption, const QString& text, MessageKind icon) {
  if (Questions()) return Questions()(caption, text);
  // A question is informational unless it warns of something lost.
  const QMessageBox::Icon shown =
      icon == MessageKind::Information ? QMessageBox::Question : BoxIcon(icon);
  QMessageBox box(shown, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

Answer AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text) {
  if (Choices()) return Choices()(caption, text);
  QMessageBox box(QMessageBox::Question, caption, text,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Yes);
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
  }
}

void TellUser(QWidget* parent, const QString& caption, const QString& text, MessageKind kind) {
  if (Messages()) return Messages()(caption, text, kind);
  QMessageBox box(BoxIcon(kind), caption, text, QMessageBox::Ok, parent);
  box.exec();
}

QuestionHandler SetQuestionHandler(QuestionHandler handler) {
  return std::exchange(Questions(), std::move(handler));
}

ChoiceHandler SetChoiceHandler(ChoiceHandler handler) {
  return std::exchange(Choices(), std::move(handler));
}

MessageHandler SetMessageHandler(MessageHandler handler) {
  return std::exchange(Messages(), std::move(handler));
}

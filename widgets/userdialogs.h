#pragma once
// Every question and message the window puts to the user goes through here,
// so tests can answer in place of a person.

#include <QString>
#include <functional>

class QWidget;

enum class MessageKind { Information, Warning, Error };
enum class Answer { Yes, No, Cancel };

using QuestionHandler = std::function<bool(const QString& caption, const QString& text)>;
using ChoiceHandler = std::function<Answer(const QString& caption, const QString& text)>;
using MessageHandler =
    std::function<void(const QString& caption, const QString& text, MessageKind kind)>;

// A Yes/No box with the question icon (or the warning icon); true for Yes.
bool AskYesNo(QWidget* parent, const QString& caption, const QString& text,
              MessageKind icon = MessageKind::Information);
// A Yes/No/Cancel box with the question icon; closing it is Cancel.
Answer AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text);
// A message box with one OK button.
void TellUser(QWidget* parent, const QString& caption, const QString& text, MessageKind kind);

// Replace the boxes (empty handler: the real boxes again). Return the previous handler.
QuestionHandler SetQuestionHandler(QuestionHandler handler);
ChoiceHandler SetChoiceHandler(ChoiceHandler handler);
MessageHandler SetMessageHandler(MessageHandler handler);

#pragma once
// A main window over a temporary program folder, with a settings dialog, and
// helpers that answer the window's questions.

#include <gtest/gtest.h>
#include <QDir>
#include <QStringList>

#include <memory>

#include "dialogs/settings/setupwin.h"
#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/correction/correctionpage.h"
#include "mainwind/formmain.h"
#include "mainwind/programpaths.h"
#include "mainwind/table/tablepage.h"
#include "support/fakevideo.h"
#include "support/testimages.h"
#include "widgets/userdialogs.h"

// Answers every Yes/No question with answer and keeps what was asked.
class AnswerQuestions {
 public:
  explicit AnswerQuestions(bool answer) {
    SetQuestionHandler([this, answer](const QString& caption, const QString& text) {
      Asked.append(caption + QStringLiteral(" | ") + text);
      return answer;
    });
  }
  ~AnswerQuestions() { SetQuestionHandler({}); }
  QStringList Asked;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = QString::fromStdString(MakeTempDir("window"));
    paths_ = ResolveProgramPaths(dir_ + QStringLiteral("/quiltor"), dir_ + QStringLiteral("/cfg"),
                                 dir_ + QStringLiteral("/pictures"));
    // A real message box would wait for a person.
    SetMessageHandler([this](const QString& caption, const QString& text, MessageKind) {
      Told.append(caption + QStringLiteral(" | ") + text);
    });
  }
  void TearDown() override {
    SetMessageHandler({});
    QDir(dir_).removeRecursively();
  }

  std::unique_ptr<TFormMain> MakeWindow(ProgressIndicator* progress = nullptr,
                                        std::unique_ptr<VideoProvider> video = nullptr) {
    auto window = std::make_unique<TFormMain>(paths_, progress, std::move(video));
    window->FormSetup = new TFormSetup(window.get());
    return window;
  }

  QString dir_;
  ProgramPaths paths_;
  QStringList Told;  // messages the window gave
};

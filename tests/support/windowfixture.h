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
#include "mainwind/userdialogs.h"
#include "mainwind/videodeviceport.h"
#include "support/testimages.h"

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

// A video component with scripted devices that records what it was asked.
class FakeVideo : public VideoDevicePort {
 public:
  explicit FakeVideo(std::vector<std::string> names, QStringList* log)
      : names_(std::move(names)), log_(log) {}
  std::vector<std::string> DeviceNames() const override { return names_; }
  void StartPreview() override { log_->append(QStringLiteral("start")); }
  void StopPreview() override { log_->append(QStringLiteral("stop")); }
  void SetPreviewZoomSize(int percent) override {
    log_->append(QStringLiteral("zoom %1").arg(percent));
  }

 private:
  std::vector<std::string> names_;
  QStringList* log_;
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
                                        std::unique_ptr<VideoDevicePort> video = nullptr) {
    auto window = std::make_unique<TFormMain>(paths_, progress, std::move(video));
    window->FormSetup = new TFormSetup(window.get());
    return window;
  }

  QString dir_;
  ProgramPaths paths_;
  QStringList Told;  // messages the window gave
};

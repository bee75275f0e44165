#pragma once
// A shown main window over a temporary program folder; every message the
// window would show is collected instead.

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QStringList>

#include <memory>

#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/correction/correctionpage.h"
#include "mainwind/formmain.h"
#include "mainwind/table/tablepage.h"
#include "support/testimages.h"
#include "widgets/userdialogs.h"

class ShownWindow : public ::testing::Test {
 protected:
  void OpenWindow(const std::string& tag) {
    root_ = QString::fromStdString(MakeTempDir(tag));
    QDir(root_).mkpath("Image");
    ProgramPaths paths;
    paths.ProgramFolder = root_ + "/";
    paths.ImageFolder = root_ + "/Image/";
    paths.ConfigPath = root_ + "/data.cfg";
    form_ = std::make_unique<TFormMain>(paths, nullptr, nullptr);
    form_->setWindowState(Qt::WindowNoState);
    form_->resize(1200, 800);
    form_->show();
    QApplication::processEvents();
    SetMessageHandler(
        [this](const QString&, const QString& text, MessageKind) { messages_ << text; });
  }

  void CloseWindow() {
    SetMessageHandler({});
    form_.reset();
    QDir(root_).removeRecursively();
  }

  QString root_;
  std::unique_ptr<TFormMain> form_;
  QStringList messages_;
};

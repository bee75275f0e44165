#include "capture/scanner/scancommand.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QToolButton>

#include "capture/run/projectnames.h"
#include "imagefiles/pixdialogs.h"
#include "widgets/named.h"
#include "widgets/userdialogs.h"
#include "widgets/workflowcommand.h"

namespace {

const QString kCaption = QStringLiteral("ВНИМАНИЕ!");

}  // namespace

ScanCommand::ScanCommand(QToolButton* button, QMenu* menu, const std::string& imageFolder,
                         bool& commandRunning, QObject* parent)
    : QObject(parent),
      ScanFile(imageFolder + "Scan.jpg"),
      button_(button),
      commandRunning_(commandRunning) {
  SetTWAIN = Named(menu->addAction(QStringLiteral("Настройка TWAIN")), "SetTWAIN");
  SaveScanAs = Named(menu->addAction(QStringLiteral("Сохранить как...")), "SaveScanAs");
  AutoNum = Named(menu->addAction(QStringLiteral("Автонумерация")), "AutoNum");
  AutoNum->setCheckable(true);
  AutoNum->setChecked(true);
  connect(button, &QToolButton::clicked, this, &ScanCommand::ToolButtonScanClick);
  connect(SetTWAIN, &QAction::triggered, this, &ScanCommand::SetTWAINClick);
  connect(SaveScanAs, &QAction::triggered, this, &ScanCommand::SaveScanAsClick);
  // The action has already toggled its own check mark when this runs.
  connect(AutoNum, &QAction::triggered, this, &ScanCommand::AutoNumClick);
}

QWidget* ScanCommand::Window() const { return button_->window(); }

void ScanCommand::ToolButtonScanClick() {
  WorkflowCommand command(commandRunning_);
  if (!command.Acquired()) return;
  // The number is used only once a file is written under it.
  int next = ScanCounter;
  const std::string name = NextScanFileName(ScanFile, next, AutoNum->isChecked());
  TwainResult result = TwainAcquire(Window(), Twain, name);
  if (result.Acquired && result.Saved) ScanCounter = next;
  if (!result.Acquired) {
    if (!result.Error.empty()) {
      TellUser(Window(), kCaption, QString::fromStdString(result.Error), MessageKind::Warning);
    }
    return;
  }
  const QString file = QFile::decodeName(QByteArray::fromStdString(name));
  QString problem;
  Bitmap image;
  if (!result.Saved) {
    // The picture is not lost for want of a file: it still joins the album.
    problem = QStringLiteral(
                  "Скан не удалось записать в файл\n%1\nИзображение добавлено в "
                  "альбом, но файла у него нет.")
                  .arg(file);
    image = std::move(result.Image);
  } else if (!PixLoadImage(name, image)) {
    problem = QStringLiteral(
                  "Записанный скан не читается из файла\n%1\nВ альбом добавлено "
                  "изображение, полученное от сканера.")
                  .arg(file);
    image = std::move(result.Image);
  }
  if (AddToAlbum) AddToAlbum(std::move(image), name);
  if (!problem.isEmpty()) TellUser(Window(), kCaption, problem, MessageKind::Warning);
}

void ScanCommand::SetTWAINClick() {
  WorkflowCommand command(commandRunning_);
  if (!command.Acquired()) return;
  const std::string problem = TwainSelectSource(Window(), Twain);
  if (!problem.empty()) {
    TellUser(Window(), kCaption, QString::fromStdString(problem), MessageKind::Warning);
  }
}

void ScanCommand::SaveScanAsClick() {
  const std::string name = PixSaveDialog("Сохранить как..", ScanFile);
  if (name.empty()) return;
  ScanFile = name;
  ScanCounter = 0;
}

void ScanCommand::AutoNumClick() { ScanCounter = 0; }

#include "formmain.h"

#include <QCloseEvent>
#include <QFile>
#include <QFont>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "capture/capturepage.h"
#include "capture/scanner/scancommand.h"
#include "dialogs/settings/preferences.h"
#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/correction/correctionpage.h"
#include "mainwind/table/tablepage.h"
#include "widgets/filedrop.h"
#include "widgets/pagebuild.h"
#include "widgets/toolimagelists.h"

TFormMain::TFormMain(const ProgramPaths& paths, ProgressIndicator* startupProgress,
                     std::unique_ptr<VideoProvider> devices, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(kMainCaption);
  setMinimumSize(870, 600);
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  setFont(font);
  BuildWindow(std::move(devices));
  ConnectHandlers();
  InstallKeys();

  ClearTable();
  ConfigPath = paths.ConfigPath;
  // Projects and scans live in the image folder, and the open dialog starts
  // there; it offers the folder opened in an earlier run beside it. A mosaic
  // is offered where the last one was saved.
  Capture->Run.Project.BaseDir = QFile::encodeName(paths.ImageFolder).toStdString();
  Scanning =
      new ScanCommand(Album->ToolButtonScan, Album->ScanMenu,
                      QFile::encodeName(paths.ImageFolder).toStdString(), CommandRunning, this);
  ImageFolder = paths.ImageFolder;
  SaveFolder = RememberedSaveFolder();
  Scanning->AddToAlbum = [this](Bitmap&& image, const std::string& name) {
    Album->AddScannedImage(std::move(image), name);
  };
  // A folder that cannot be made is not reported: the dialogs then start elsewhere.
  EnsureProgramFolders(paths);
  SetTabShown(Correction->TabSheetCor, false);
  SetTabShown(Assembly->TabSheetQuilt, false);
  Album->PanelImages->hide();
  setWindowState(Qt::WindowMaximized);
  FormCreate(startupProgress);
}

TFormMain::~TFormMain() = default;

void TFormMain::BuildWindow(std::unique_ptr<VideoProvider> devices) {
  PageControl = Named(new QTabWidget(this), "PageControl");
  QFont tabFont = font();
  tabFont.setPixelSize(13);
  tabFont.setBold(true);
  PageControl->tabBar()->setFont(tabFont);
  PageControl->tabBar()->setAttribute(Qt::WA_Hover);
  setCentralWidget(PageControl);

  // The icons are copied into each button; the lists are needed only while building.
  ToolImageLists lists;
  const ShellState shell{Engine, MontageTable, CommandRunning, ImageFolder, SaveFolder};
  Capture = new CapturePage(*this, shell, std::move(devices), lists, this);
  PageControl->addTab(Capture->TabSheetVideo, QStringLiteral("Съемка"));
  PageControl->addTab(BuildImagesPage(lists, shell), QStringLiteral("Изображения"));
  Correction = new CorrectionPage(*this, shell, this);
  PageControl->addTab(Correction->TabSheetCor, QStringLiteral("Коррекция"));
  Assembly = new AssemblyPage(*this, shell, lists, this);
  PageControl->addTab(Assembly->TabSheetQuilt, QStringLiteral("Сборка"));
  PageControl->setCurrentWidget(TabSheetImages);

  statusBar()->setObjectName(QStringLiteral("MessageBar"));
  statusBar()->hide();
  connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
    if (text.isEmpty()) statusBar()->hide();
  });
}

QWidget* TFormMain::BuildImagesPage(ToolImageLists& lists, const ShellState& shell) {
  TabSheetImages = Named(new QWidget, "TabSheetImages");
  auto* layout = Column(TabSheetImages);
  ToolBar2 = MakeToolBar(TabSheetImages, "ToolBar2");
  Splitter1 = Named(new QSplitter(Qt::Horizontal, TabSheetImages), "Splitter1");
  Album = new AlbumPage(*this, shell, ToolBar2, Splitter1, lists, this);
  ToolBar2->addSeparator();
  Table = new TablePage(*this, shell, ToolBar2, Splitter1, lists, this);
  ToolBar2->addSeparator();
  const auto add = [this, &lists](QToolButton*& button, const char* name, const char* hint,
                                  const char* icon, const char* glyph) {
    AddToolButton(ToolBar2, lists, button, name, hint, icon, glyph, kImagesButton);
  };
  add(ToolButtonSet1, "ToolButtonSet1", "Настройка программы", "configure", "Н");
  add(ToolButtonAboutImage, "ToolButtonAboutImage", "О программе", "help-about", "?");
  add(ToolButtonClose1, "ToolButtonClose1", "Выход", "application-exit", "X");
  layout->addWidget(ToolBar2);

  AcceptFileDrops(
      TabSheetImages, [this] { return !CommandRunning; },
      [this](const std::vector<std::string>& files) { Album->OpenImageFiles(files); });

  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({261, 1000});
  layout->addWidget(Splitter1, 1);
  return TabSheetImages;
}

void TFormMain::ConnectHandlers() {
  OnClick(ToolButtonSet1, this, &TFormMain::ToolButtonSet1Click);
  OnClick(ToolButtonAboutImage, this, &TFormMain::ToolButtonAboutClick);
  OnClick(ToolButtonClose1, this, &TFormMain::ToolButtonCloseClick);
  OnClick(Assembly->ToolButtonAbout, this, &TFormMain::ToolButtonAboutClick);
  OnClick(Assembly->ToolButtonClose, this, &TFormMain::ToolButtonCloseClick);

  connect(PageControl, &QTabWidget::currentChanged, this, [this](int) {
    QWidget* current = PageControl->currentWidget();
    if (current == Capture->TabSheetVideo) {
      Capture->TabSheetVideoShow();
    } else {
      Capture->TabSheetVideoHide();
    }
    if (current == Correction->TabSheetCor) Correction->TabSheetCorShow();
  });
}

void TFormMain::SetTabShown(QWidget* page, bool shown) {
  PageControl->setTabVisible(PageControl->indexOf(page), shown);
}

void TFormMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  FormShow();
}

void TFormMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TFormMain::ReportStatus(const QString& text) {
  // The window's own bar appears only while it has something to say.
  statusBar()->showMessage(text, 15000);
  statusBar()->show();
}

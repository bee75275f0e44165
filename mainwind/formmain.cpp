#include "formmain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "mainwind/album/albumpage.h"
#include "mainwind/assembly/assemblypage.h"
#include "mainwind/correction/correctionpage.h"
#include "mainwind/novideodevice.h"
#include "mainwind/pagebuild.h"
#include "mainwind/table/tablepage.h"
#include "mainwind/toolimagelists.h"
#include "widgets/picturecontrol.h"

TFormMain::TFormMain(const ProgramPaths& paths, ProgressIndicator* startupProgress,
                     std::unique_ptr<VideoDevicePort> video, QWidget* parent)
    : QMainWindow(parent), video_(video ? std::move(video) : std::make_unique<NoVideoDevice>()) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(kMainCaption);
  setMinimumSize(870, 600);
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  setFont(font);
  BuildWindow();
  ConnectHandlers();

  ClearTable();
  ImageFolder = paths.ImageFolder;
  ConfigPath = paths.ConfigPath;
  // A folder that cannot be made is not reported: the dialogs then start elsewhere.
  EnsureProgramFolders(paths);
  SetTabShown(Correction->TabSheetCor, false);
  SetTabShown(Assembly->TabSheetQuilt, false);
  Album->PanelImages->hide();
  setWindowState(Qt::WindowMaximized);
  FormCreate(startupProgress);
}

TFormMain::~TFormMain() = default;

void TFormMain::BuildWindow() {
  PageControl = Named(new QTabWidget(this), "PageControl");
  QFont tabFont = font();
  tabFont.setPixelSize(13);
  tabFont.setBold(true);
  PageControl->tabBar()->setFont(tabFont);
  PageControl->tabBar()->setAttribute(Qt::WA_Hover);
  setCentralWidget(PageControl);

  // The icons are copied into each button; the lists are needed only while building.
  ToolImageLists lists;
  const ShellState shell{Engine, MontageTable, CommandRunning, ImageFolder};
  PageControl->addTab(BuildVideoPage(lists), QStringLiteral("Съемка"));
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

QWidget* TFormMain::BuildVideoPage(ToolImageLists& lists) {
  TabSheetVideo = Named(new QWidget, "TabSheetVideo");
  auto* layout = Column(TabSheetVideo);
  auto* bar = MakeToolBar(TabSheetVideo, "ToolBarVideo");
  GroupBoxVid =
      Named(new QGroupBox(QStringLiteral("Настройка видеопотока WDM устройства")), "GroupBoxVid");
  auto* groupLayout = new QHBoxLayout(GroupBoxVid);
  VideoDeviceComboBox = Named(new QComboBox(GroupBoxVid), "VideoDeviceComboBox");
  VideoDeviceComboBox->setToolTip(QStringLiteral("Выбор устройства WDM"));
  groupLayout->addWidget(VideoDeviceComboBox);
  bar->addWidget(GroupBoxVid);
  AddToolButton(bar, lists, ToolButtonSet3, "ToolButtonSet3", "Настройка программы", "configure",
                "Н", kImagesButton);
  layout->addWidget(bar);
  ScrollBoxVideoImage =
      MakeScrollBox(TabSheetVideo, "ScrollBoxVideoImage", ImageVideo, "ImageVideo", true);
  layout->addWidget(ScrollBoxVideoImage, 1);
  TimerVideo = Named(new QTimer(this), "TimerVideo");
  TimerVideo->setInterval(50);
  return TabSheetVideo;
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

  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({261, 1000});
  layout->addWidget(Splitter1, 1);
  return TabSheetImages;
}

void TFormMain::ConnectHandlers() {
  OnClick(ToolButtonSet1, this, &TFormMain::ToolButtonSet1Click);
  OnClick(ToolButtonSet3, this, &TFormMain::ToolButtonSet1Click);
  OnClick(ToolButtonAboutImage, this, &TFormMain::ToolButtonAboutClick);
  OnClick(ToolButtonClose1, this, &TFormMain::ToolButtonCloseClick);
  OnClick(Assembly->ToolButtonAbout, this, &TFormMain::ToolButtonAboutClick);
  OnClick(Assembly->ToolButtonClose, this, &TFormMain::ToolButtonCloseClick);

  connect(PageControl, &QTabWidget::currentChanged, this, [this](int) {
    if (PageControl->currentWidget() == Correction->TabSheetCor) Correction->TabSheetCorShow();
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

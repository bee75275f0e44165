#include "formmain.h"

#include <QCloseEvent>
#include <QDir>
#include <QFont>
#include <QFrame>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "mainwind/dockpanel.h"
#include "mainwind/novideodevice.h"
#include "mainwind/videodeviceport.h"

TFormMain::TFormMain(const ProgramPaths& paths, ProgressIndicator* startupProgress,
                     std::unique_ptr<VideoDevicePort> video, QWidget* parent)
    : QMainWindow(parent),
      video_(video ? std::move(video) : std::make_unique<NoVideoDevice>()),
      startupProgress_(startupProgress) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(kMainCaption);
  setMinimumSize(870, 600);
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  setFont(font);
  BuildWindow();
  ConnectHandlers();

  PanStart = {0, 0};
  PanDragging = false;
  ClearTable();
  ProgramFolder = paths.ProgramFolder;
  ImageFolder = paths.ImageFolder;
  ConfigPath = paths.ConfigPath;
  // The scanner binding loads the system's scanner library by name.
  TwainLibraryPath = QStringLiteral("libsane.so.1");
  ScanFile = ImageFolder + QStringLiteral("Scan.jpg");
  ProjectBaseDir = ImageFolder;
  // A folder that cannot be made is not reported: the dialogs then start elsewhere.
  EnsureProgramFolders(paths);
  MosaicZoom = 1.0f;
  SetTabShown(TabSheetCor, false);
  SetTabShown(TabSheetQuilt, false);
  PanelImages->hide();
  PlacedCount = 0;
  VideoZoom = 1.0f;
  FrameDirection = 1;
  AutoState = ScanCounter = FrameCount = 0;
  TrackPoint = {0, 0};

  SetupAlbum();
  SetupAssembly();
  SetupTable();
  SetupConnect();
  setWindowState(Qt::WindowMaximized);
  FormCreate();
}

TFormMain::~TFormMain() = default;

QToolButton* TFormMain::AddToolButton(QToolBar* bar, QToolButton*& button, const char* name,
                                      const QString& hint, const QString& iconName,
                                      const QString& glyph, QSize size) {
  button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(hint);
  button->setIcon(ImageLists.Icon(ImageLists.Add(iconName, glyph)));
  button->setIconSize(QSize(kToolIconSide, kToolIconSide));
  button->setFixedSize(size);
  button->setAutoRaise(true);
  bar->addWidget(button);
  return button;
}

void TFormMain::ConnectHandlers() {
  const auto bind = [this](QToolButton* button, void (TFormMain::*handler)()) {
    connect(button, &QToolButton::clicked, this, handler);
  };
  bind(ToolButtonImageOpen, &TFormMain::ToolButtonImageOpenClick);
  bind(ToolButtonScan, &TFormMain::ToolButtonScanClick);
  bind(ToolButtonImageClose, &TFormMain::ToolButtonImageCloseClick);
  bind(ToolButtonImageCloseAll, &TFormMain::ToolButtonImageCloseAllClick);
  bind(ToolButtonAutoPoz, &TFormMain::ToolButtonAutoPozClick);
  bind(ToolButtonDelImTab, &TFormMain::ToolButtonDelImTabClick);
  bind(ToolButtonClearTab, &TFormMain::ToolButtonClearTabClick);
  bind(ToolButtonCalkConnect, &TFormMain::ToolButtonCalkConnectClick);
  bind(ToolButtonSet1, &TFormMain::ToolButtonSet1Click);
  bind(ToolButtonSet3, &TFormMain::ToolButtonSet1Click);
  bind(ToolButtonAboutImage, &TFormMain::ToolButtonAboutClick);
  bind(ToolButtonClose1, &TFormMain::ToolButtonCloseClick);

  bind(ToolButtonFineFront, &TFormMain::ToolButtonFineFrontClick);
  bind(ToolButtonCrop, &TFormMain::ToolButtonCropClick);
  bind(ToolButtonMinus, &TFormMain::ToolButtonMinusClick);
  bind(ToolButtonNormal, &TFormMain::ToolButtonNormalClick);
  bind(ToolButtonPlus, &TFormMain::ToolButtonPlusClick);
  bind(ToolButtonSave, &TFormMain::ToolButtonSaveClick);
  bind(ToolButtonPrint, &TFormMain::ToolButtonPrintClick);
  bind(ToolButtonSet2, &TFormMain::ToolButtonSet2Click);
  bind(ToolButtonAbout, &TFormMain::ToolButtonAboutClick);
  bind(ToolButtonClose, &TFormMain::ToolButtonCloseClick);

  // The correction page's panel is laid out only while shown; keep the parent
  // view at half of it whenever it gets its real size.
  connect(PanelCont, &DockPanel::Resized, this, [this] {
    PanelCont->SetDockedSize(QSize(PanelCont->width() / 2, PanelCont->height() / 2));
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

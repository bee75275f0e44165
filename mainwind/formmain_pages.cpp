// The main window's pages and their controls, in the order they are shown.
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "formmain.h"
#include "mainwind/dockpanel.h"
#include "mainwind/drawgrid.h"
#include "mainwind/panelstatusbar.h"
#include "mainwind/picturecontrol.h"
#include "mainwind/scrollbox.h"

namespace {

template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

QVBoxLayout* Column(QWidget* owner) {
  auto* layout = new QVBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout;
}

QToolBar* MakeToolBar(QWidget* parent, const char* name) {
  auto* bar = Named(new QToolBar(parent), name);
  bar->setIconSize(QSize(48, 48));
  bar->setMovable(false);
  return bar;
}

// A scroll box whose picture keeps its own size.
QScrollArea* MakeScrollBox(QWidget* parent, const char* name, PictureControl*& picture,
                           const char* pictureName, bool stretch,
                           Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
  // A centring box keeps a smaller picture where CenterInBox puts it.
  QScrollArea* box = alignment == Qt::AlignCenter ? new ScrollBox(parent) : new QScrollArea(parent);
  Named(box, name);
  box->setWidgetResizable(false);
  box->setAlignment(alignment);
  picture = Named(new PictureControl, pictureName);
  // A stretched picture gets its size from the window; the others from their bitmap.
  picture->SetAutoSize(!stretch);
  picture->SetStretch(stretch);
  picture->resize(0, 0);
  box->setWidget(picture);
  return box;
}

constexpr QSize kImagesButton{59, 54};
constexpr QSize kQuiltButton{55, 54};

}  // namespace

void TFormMain::BuildWindow() {
  PageControl = Named(new QTabWidget(this), "PageControl");
  QFont tabFont = font();
  tabFont.setPixelSize(13);
  tabFont.setBold(true);
  PageControl->tabBar()->setFont(tabFont);
  PageControl->tabBar()->setAttribute(Qt::WA_Hover);
  setCentralWidget(PageControl);

  PageControl->addTab(BuildVideoPage(), QStringLiteral("Съемка"));
  PageControl->addTab(BuildImagesPage(), QStringLiteral("Изображения"));
  PageControl->addTab(BuildCorrectionPage(), QStringLiteral("Коррекция"));
  PageControl->addTab(BuildQuiltPage(), QStringLiteral("Сборка"));
  PageControl->setCurrentWidget(TabSheetImages);

  statusBar()->setObjectName(QStringLiteral("MessageBar"));
  statusBar()->hide();
  connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
    if (text.isEmpty()) statusBar()->hide();
  });
}

QWidget* TFormMain::BuildVideoPage() {
  TabSheetVideo = Named(new QWidget, "TabSheetVideo");
  auto* layout = Column(TabSheetVideo);
  auto* bar = MakeToolBar(TabSheetVideo, "ToolBarVideo");
  GroupBoxVid = Named(new QGroupBox(QStringLiteral("Настройка видеопотока WDM устройства")),
                      "GroupBoxVid");
  auto* groupLayout = new QHBoxLayout(GroupBoxVid);
  VideoDeviceComboBox = Named(new QComboBox(GroupBoxVid), "VideoDeviceComboBox");
  VideoDeviceComboBox->setToolTip(QStringLiteral("Выбор устройства WDM"));
  groupLayout->addWidget(VideoDeviceComboBox);
  bar->addWidget(GroupBoxVid);
  AddToolButton(bar, ToolButtonSet3, "ToolButtonSet3", QStringLiteral("Настройка программы"),
                QStringLiteral("configure"), QStringLiteral("Н"), kImagesButton);
  layout->addWidget(bar);
  ScrollBoxVideoImage = MakeScrollBox(TabSheetVideo, "ScrollBoxVideoImage", ImageVideo, "ImageVideo",
                                      true);
  layout->addWidget(ScrollBoxVideoImage, 1);
  TimerVideo = Named(new QTimer(this), "TimerVideo");
  TimerVideo->setInterval(50);
  return TabSheetVideo;
}

QWidget* TFormMain::BuildImagesPage() {
  TabSheetImages = Named(new QWidget, "TabSheetImages");
  auto* layout = Column(TabSheetImages);
  ToolBar2 = MakeToolBar(TabSheetImages, "ToolBar2");
  const auto add = [this](QToolButton*& button, const char* name, const char* hint,
                          const char* icon, const char* glyph) {
    AddToolButton(ToolBar2, button, name, QString::fromUtf8(hint), QString::fromLatin1(icon),
                  QString::fromUtf8(glyph), kImagesButton);
  };
  add(ToolButtonImageOpen, "ToolButtonImageOpen", "Открытие изображения", "document-open", "О");
  add(ToolButtonScan, "ToolButtonScan", "TWAIN", "scanner", "T");
  ScanMenu = Named(new QMenu(ToolButtonScan), "ScanMenu");
  ToolButtonScan->setMenu(ScanMenu);
  ToolButtonScan->setPopupMode(QToolButton::MenuButtonPopup);
  ToolBar2->addSeparator();
  add(ToolButtonImageClose, "ToolButtonImageClose", "Закрытие изображения", "document-close", "З");
  add(ToolButtonImageCloseAll, "ToolButtonImageCloseAll", "Закрытие всех изображений",
      "edit-clear-list", "В");
  ToolBar2->addSeparator();
  add(ToolButtonAutoPoz, "ToolButtonAutoPoz", "Автоматическая склейка изображений",
      "tools-wizard", "А");
  add(ToolButtonDelImTab, "ToolButtonDelImTab", "Удаление изображения из поля монтажа",
      "edit-delete", "У");
  add(ToolButtonClearTab, "ToolButtonClearTab", "Очистка поля монтажа", "edit-clear", "Ч");
  add(ToolButtonCalkConnect, "ToolButtonCalkConnect", "Склейка изображений в поле монтажа",
      "edit-table-cell-merge", "С");
  ToolBar2->addSeparator();
  add(ToolButtonSet1, "ToolButtonSet1", "Настройка программы", "configure", "Н");
  add(ToolButtonAboutImage, "ToolButtonAboutImage", "О программе", "help-about", "?");
  add(ToolButtonClose1, "ToolButtonClose1", "Выход", "application-exit", "X");
  layout->addWidget(ToolBar2);

  Splitter1 = Named(new QSplitter(Qt::Horizontal, TabSheetImages), "Splitter1");
  PanelImages = Named(new QFrame(Splitter1), "PanelImages");
  auto* albumLayout = Column(PanelImages);
  DrawGridAlbum = Named(new DrawGrid(PanelImages), "DrawGridAlbum");
  DrawGridAlbum->SetColCount(1);
  DrawGridAlbum->SetRowCount(0);
  DrawGridAlbum->SetGridLineWidth(3);
  DrawGridAlbum->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  DrawGridAlbum->setMinimumWidth(250);
  albumLayout->addWidget(DrawGridAlbum, 1);
  Panel2 = Named(new QFrame(PanelImages), "Panel2");
  Panel2->setFixedHeight(62);
  auto* panel2Layout = Column(Panel2);
  Panel4 = Named(new QFrame(Panel2), "Panel4");
  auto* progressLayout = new QVBoxLayout(Panel4);
  LabelProcTxt = Named(new QLabel(Panel4), "LabelProcTxt");
  LabelProcTxt->setAlignment(Qt::AlignCenter);
  ProgressBar = Named(new QProgressBar(Panel4), "ProgressBar");
  ProgressBar->setRange(0, 100);
  progressLayout->addWidget(LabelProcTxt);
  progressLayout->addWidget(ProgressBar);
  panel2Layout->addWidget(Panel4);
  Panel4->hide();
  // At the bottom also while the album is hidden (the first load).
  albumLayout->addWidget(Panel2, 0, Qt::AlignBottom);

  DrawGridTab = Named(new DrawGrid(Splitter1), "DrawGridTab");
  DrawGridTab->SetColCount(kTableColumns);
  DrawGridTab->SetRowCount(kTableRows);
  Splitter1->addWidget(PanelImages);
  Splitter1->addWidget(DrawGridTab);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({261, 1000});
  layout->addWidget(Splitter1, 1);
  return TabSheetImages;
}

QWidget* TFormMain::BuildCorrectionPage() {
  TabSheetCor = Named(new QWidget, "TabSheetCor");
  auto* layout = new QHBoxLayout(TabSheetCor);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Panel3 = Named(new QFrame(TabSheetCor), "Panel3");
  Panel3->setFixedWidth(235);
  auto* listLayout = Column(Panel3);
  DrawGridEditConnect = Named(new DrawGrid(Panel3), "DrawGridEditConnect");
  DrawGridEditConnect->SetColCount(1);
  DrawGridEditConnect->SetRowCount(0);
  DrawGridEditConnect->SetDefaultColWidth(208);
  DrawGridEditConnect->SetDefaultRowHeight(158);
  DrawGridEditConnect->SetGridLineWidth(3);
  DrawGridEditConnect->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  listLayout->addWidget(DrawGridEditConnect);
  layout->addWidget(Panel3);

  PanelCont = Named(new DockPanel(TabSheetCor), "PanelCont");
  ScrollBoxPar = MakeScrollBox(PanelCont, "ScrollBoxPar", ImagePar, "ImagePar", false);
  ScrollBoxCh = MakeScrollBox(PanelCont, "ScrollBoxCh", ImageCh, "ImageCh", false);
  PanelCont->SetWidgets(ScrollBoxPar, ScrollBoxCh);
  PanelCont->SetDockSide(DockPanel::Side::Left);
  layout->addWidget(PanelCont, 1);
  return TabSheetCor;
}

QWidget* TFormMain::BuildQuiltPage() {
  TabSheetQuilt = Named(new QWidget, "TabSheetQuilt");
  auto* layout = Column(TabSheetQuilt);
  ToolBar1 = MakeToolBar(TabSheetQuilt, "ToolBar1");
  const auto add = [this](QToolButton*& button, const char* name, const char* hint,
                          const char* icon, const char* glyph) {
    AddToolButton(ToolBar1, button, name, QString::fromUtf8(hint), QString::fromLatin1(icon),
                  QString::fromUtf8(glyph), kQuiltButton);
  };
  add(ToolButtonFineFront, "ToolButtonFineFront", "Сглаживание переходов", "draw-brush", "~");
  ToolButtonFineFront->setCheckable(true);
  add(ToolButtonCrop, "ToolButtonCrop", "Обрезка готового изображения", "transform-crop", "#");
  ToolButtonCrop->setCheckable(true);
  ToolBar1->addSeparator();
  add(ToolButtonMinus, "ToolButtonMinus", "Уменьшение изображения", "zoom-out", "-");
  add(ToolButtonNormal, "ToolButtonNormal", "Нормальный размер изображения", "zoom-original", "1");
  add(ToolButtonPlus, "ToolButtonPlus", "Увеличение изображения", "zoom-in", "+");
  ToolBar1->addSeparator();
  add(ToolButtonSave, "ToolButtonSave", "Сохранение изображения", "document-save", "S");
  add(ToolButtonPrint, "ToolButtonPrint", "Печать изображения", "document-print", "P");
  ToolBar1->addSeparator();
  add(ToolButtonSet2, "ToolButtonSet2", "Настройка программы", "configure", "Н");
  add(ToolButtonAbout, "ToolButtonAbout", "О программе", "help-about", "?");
  add(ToolButtonClose, "ToolButtonClose", "Выход", "application-exit", "X");
  layout->addWidget(ToolBar1);

  ImageBox = MakeScrollBox(TabSheetQuilt, "ImageBox", ImageQuilt, "ImageQuilt", true,
                           Qt::AlignCenter);
  layout->addWidget(ImageBox, 1);
  StatusBar = Named(new PanelStatusBar({200, 150, 110, 70, 70, 50}, TabSheetQuilt), "StatusBar");
  layout->addWidget(StatusBar);
  return TabSheetQuilt;
}

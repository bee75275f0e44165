#include "dialogs/about/about.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadialGradient>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "dialogs/about/versioninfocomponent.h"

namespace {

constexpr int kClientWidth = 649;
constexpr int kClientHeight = 316;
constexpr int kPictureWidth = 200;
constexpr int kPictureHeight = 300;
const QColor kNavy(0, 0, 128);

UrlOpener& CurrentOpener() {
  static UrlOpener opener;
  return opener;
}

bool OpenUrl(const QUrl& url) {
  const UrlOpener& opener = CurrentOpener();
  return opener ? opener(url) : QDesktopServices::openUrl(url);
}

// Texts that come from files are never read as markup.
QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text = QString()) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

void MakeLink(QLabel* label, QObject* filter) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, kNavy);
  label->setPalette(palette);
  label->setCursor(Qt::PointingHandCursor);
  label->installEventFilter(filter);
}

// The lines as paragraphs with room between them: at this size the font's own
// leading lets one line's descenders touch the next line. Escaped, so text
// from a file is never read as markup.
QString SpacedLines(const QString& text) {
  if (text.isEmpty()) return text;
  QString html;
  for (const QString& line : text.split(QLatin1Char('\n')))
    html += QStringLiteral("<p style=\"margin-top:0; margin-bottom:3px\">%1</p>")
                .arg(line.toHtmlEscaped());
  return html;
}

void SetFontStyle(QLabel* label, bool bold, bool underline) {
  QFont font = label->font();
  font.setBold(bold);
  font.setUnderline(underline);
  label->setFont(font);
}

}  // namespace

UrlOpener SetUrlOpener(UrlOpener opener) {
  return std::exchange(CurrentOpener(), std::move(opener));
}

TAboutDlg::TAboutDlg(QWidget* parent, const QString& programPath)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("AboutDlg"));
  setWindowTitle(QStringLiteral("О программе"));
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  setFont(font);

  Image1 = NamedLabel(this, "Image1");
  Image1->setFixedSize(kPictureWidth, kPictureHeight);
  Image1->setScaledContents(true);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(12);
  layout->addWidget(Image1, 0, Qt::AlignTop);
  layout->addWidget(BuildTextColumn(), 1);

  connect(Button1, &QPushButton::clicked, this, &TAboutDlg::Button1Click);
  ShowVersion(programPath);

  setFixedSize(kClientWidth, kClientHeight);
  // Placed on the screen's centre now, so showing it does not move it over its owner.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

QWidget* TAboutDlg::BuildTextColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);

  Vers = NamedLabel(column, "Vers");
  SetFontStyle(Vers, true, false);
  Build = NamedLabel(column, "Build");
  Build->setTextFormat(Qt::RichText);
  Build->setWordWrap(true);
  Label1 = NamedLabel(column, "Label1",
                      QStringLiteral("Программа охраняется законодательством об авторском праве."));
  Label2 = NamedLabel(column, "Label2",
                      QStringLiteral("Копирование и распространение программы без разрешения"));
  Label3 = NamedLabel(column, "Label3",
                      QStringLiteral("правообладателя запрещены и преследуются по закону."));
  for (QLabel* label : {Label1, Label2, Label3}) label->setWordWrap(true);

  layout->addWidget(Vers);
  layout->addWidget(Build);
  layout->addSpacing(6);
  layout->addWidget(Label1);
  layout->addWidget(Label2);
  layout->addWidget(Label3);
  layout->addStretch(1);

  Button1 = new QPushButton(QStringLiteral("Закрыть"), column);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(BuildContactPanel(), 1);
  bottom->addWidget(Button1, 0, Qt::AlignBottom);
  layout->addLayout(bottom);
  return column;
}

QFrame* TAboutDlg::BuildContactPanel() {
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(Panel1);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(2);

  Label4 = NamedLabel(Panel1, "Label4", QStringLiteral("Контактная информация"));
  SetFontStyle(Label4, true, true);
  Label5 = NamedLabel(Panel1, "Label5", QStringLiteral("Телефон: ") + kMakerTelephone);
  Label6 = NamedLabel(Panel1, "Label6", kMakerEmail);
  StaticText1 = NamedLabel(Panel1, "StaticText1", kMakerWebPage);
  MakeLink(Label6, this);
  MakeLink(StaticText1, this);

  for (QLabel* label : {Label4, Label5, Label6, StaticText1}) layout->addWidget(label);
  return Panel1;
}

void TAboutDlg::ShowVersion(const QString& programPath) {
  const QString path =
      programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath;
  // A version record that cannot be read leaves the texts empty: the box is
  // not worth stopping the program's start for.
  try {
    TVersionInfo info;
    info.SetEnabled(true);
    info.SetFileName(path);
    Vers->setText(info.GetVersionString());
    aboutText_ = info.GetAboutBoxString();
  } catch (const std::exception&) {
    Vers->clear();
    aboutText_.clear();
  }
  Build->setText(SpacedLines(aboutText_));
}

void TAboutDlg::SetPicture(const QImage& picture) {
  Image1->setPixmap(QPixmap::fromImage(picture));
}

void TAboutDlg::Button1Click() { accept(); }

void TAboutDlg::StaticText1Click() {
  if (!OpenUrl(QUrl(kMakerWebPage)))
    emit LinkNotOpened(QStringLiteral("Не удалось открыть страницу %1: в системе не задана "
                                      "программа для просмотра веб-страниц.")
                           .arg(kMakerWebPage));
}

void TAboutDlg::Label6Click() {
  if (!OpenUrl(QUrl(QStringLiteral("mailto:") + kMakerEmail)))
    emit LinkNotOpened(QStringLiteral("Не удалось начать письмо на адрес %1: в системе не задана "
                                      "почтовая программа.")
                           .arg(kMakerEmail));
}

bool TAboutDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* label = qobject_cast<QLabel*>(watched);
    // A click is a release of the left button over the label it began on.
    if (label && mouse->button() == Qt::LeftButton &&
        label->rect().contains(mouse->position().toPoint())) {
      if (label == StaticText1) StaticText1Click();
      if (label == Label6) Label6Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

TAboutQuiltDlg::TAboutQuiltDlg(QWidget* parent, const QString& programPath)
    : TAboutDlg(parent, programPath) {
  setObjectName(QStringLiteral("AboutQuiltDlg"));
  SetPicture(DrawAboutPicture());
  Timer = new QTimer(this);
  Timer->setObjectName(QStringLiteral("Timer"));
  Timer->setInterval(kFadeIntervalMs);
  connect(Timer, &QTimer::timeout, this, &TAboutQuiltDlg::TimerTimer);
  setWindowOpacity(FadeOpacity(fade_.Alpha));
}

void TAboutQuiltDlg::StartFade(int32_t alpha, int32_t step) {
  fade_ = {alpha, step};
  Timer->start();
}

void TAboutQuiltDlg::FormShow() {
  StartFade(0, 15);
  // Shown again after a title-bar close, it must not flash at its old alpha.
  setWindowOpacity(FadeOpacity(fade_.Alpha));
}

void TAboutQuiltDlg::Button1Click() { StartFade(255, -15); }

void TAboutQuiltDlg::TimerTimer() {
  const FadeOutcome outcome = FadeTick(fade_);
  if (outcome != FadeOutcome::Running) Timer->stop();
  if (outcome == FadeOutcome::Transparent) close();
  setWindowOpacity(FadeOpacity(fade_.Alpha));
}

void TAboutQuiltDlg::showEvent(QShowEvent* event) {
  TAboutDlg::showEvent(event);
  // Restored from the task bar is not a new showing.
  if (!event->spontaneous()) FormShow();
}

void TAboutQuiltDlg::hideEvent(QHideEvent* event) {
  // Closed by its title bar in the middle of a fade: nothing left to tick.
  if (!event->spontaneous()) Timer->stop();
  TAboutDlg::hideEvent(event);
}

namespace {

// Round cells of a stained specimen, in picture coordinates.
void DrawSpecimen(QPainter& painter) {
  QRadialGradient tissue(QPointF(100, 130), 95);
  tissue.setColorAt(0, QColor(236, 170, 200));
  tissue.setColorAt(1, QColor(170, 90, 150));
  painter.setPen(Qt::NoPen);
  painter.setBrush(tissue);
  painter.drawEllipse(QPointF(100, 130), 90, 105);
  painter.setBrush(QColor(90, 50, 140));
  for (int i = 0; i < 23; ++i) {
    // A fixed scatter: the picture is the same on every run.
    const qreal x = 30 + (i * 37) % 140;
    const qreal y = 45 + (i * 53) % 170;
    const qreal r = 4 + (i % 4) * 2;
    painter.drawEllipse(QPointF(x, y), r, r * 0.8);
  }
}

// The fields a camera took of it: two columns, three rows, each overlapping its neighbours.
void DrawFields(QPainter& painter) {
  painter.setBrush(Qt::NoBrush);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 2; ++column) {
      const QRectF field(14 + column * 82 + row * 3, 28 + row * 66 - column * 2, 92, 76);
      painter.setPen(QPen(QColor(255, 255, 255, 170), 1.5, Qt::DashLine));
      painter.drawRect(field);
    }
  }
}

}  // namespace

QImage DrawAboutPicture() {
  QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient back(0, 0, 0, kPictureHeight);
  back.setColorAt(0, QColor(25, 35, 70));
  back.setColorAt(1, QColor(8, 12, 28));
  painter.fillRect(image.rect(), back);
  DrawSpecimen(painter);
  DrawFields(painter);

  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(22);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 248, kPictureWidth, 28), Qt::AlignCenter, QStringLiteral("Quiltor"));
  QFont line(QStringLiteral("Arial"));
  line.setPixelSize(12);
  painter.setFont(line);
  painter.setPen(QColor(190, 205, 230));
  painter.drawText(QRect(0, 276, kPictureWidth, 18), Qt::AlignCenter, QStringLiteral("KORVEX"));
  return image;
}

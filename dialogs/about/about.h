#pragma once
// The about box: the program's version and description from its own version
// record, three legal lines and a contact panel whose two links open the
// maker's web page and a new mail message. The program's box fades in and out.

#include <QDialog>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

#include "dialogs/about/fadestep.h"

class QFrame;
class QLabel;
class QPushButton;
class QTimer;
class QUrl;

// Opens a link with the system's default handler. Tests put their own in
// place; an empty one restores the system's. Returns the previous one.
using UrlOpener = std::function<bool(const QUrl& url)>;
UrlOpener SetUrlOpener(UrlOpener opener);

inline const QString kMakerWebPage = QStringLiteral("https://quiltor.example.org/");
inline const QString kMakerEmail = QStringLiteral("info@quiltor.example.org");
inline const QString kMakerTelephone = QStringLiteral("+7 000 000-00-00");

class TAboutDlg : public QDialog {
  Q_OBJECT

 public:
  // programPath: the file whose version record is shown; empty means the
  // running program.
  explicit TAboutDlg(QWidget* parent = nullptr, const QString& programPath = QString());

  QLabel* Image1 = nullptr;
  QLabel* Vers = nullptr;
  QLabel* Build = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QFrame* Panel1 = nullptr;  // the contact panel
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;       // telephone
  QLabel* Label6 = nullptr;       // e-mail link
  QLabel* StaticText1 = nullptr;  // web page link
  QPushButton* Button1 = nullptr;

  // The about-box text Build shows, as read from the version record.
  const QString& AboutText() const { return aboutText_; }

 public slots:
  // Here the button closes the box; the program's box fades out first.
  virtual void Button1Click();
  void StaticText1Click();
  void Label6Click();

 signals:
  // A link could not be opened (no browser, no mail program): text says so, in Russian.
  void LinkNotOpened(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void SetPicture(const QImage& picture);

 private:
  QWidget* BuildTextColumn();
  QFrame* BuildContactPanel();
  void ShowVersion(const QString& programPath);

  QString aboutText_;
};

class TAboutQuiltDlg : public TAboutDlg {
  Q_OBJECT

 public:
  explicit TAboutQuiltDlg(QWidget* parent = nullptr, const QString& programPath = QString());

  int32_t Alpha() const { return fade_.Alpha; }
  int32_t Step() const { return fade_.Step; }

  QTimer* Timer = nullptr;

 public slots:
  void FormShow();
  void Button1Click() override;
  void TimerTimer();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void StartFade(int32_t alpha, int32_t step);

  FadeState fade_{0, 0};
};

// The program's own picture for the box: a specimen taken field by field, 200 x 300.
QImage DrawAboutPicture();

#include "widgets/filedrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <algorithm>

namespace {

class FileDropFilter : public QObject {
 public:
  FileDropFilter(QObject* parent, std::function<bool()> accepting,
                 std::function<void(const std::vector<std::string>&)> onDrop)
      : QObject(parent), accepting_(std::move(accepting)), onDrop_(std::move(onDrop)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!Carries(*drag)) return QObject::eventFilter(watched, event);
        if (accepting_ && !accepting_()) {
          drag->ignore();
        } else {
          drag->acceptProposedAction();
        }
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!Carries(*drop)) return QObject::eventFilter(watched, event);
        if (accepting_ && !accepting_()) return true;
        drop->acceptProposedAction();
        // The file manager waits for the drop to end: open the files after it.
        std::vector<std::string> files = DroppedFiles(*drop->mimeData());
        QMetaObject::invokeMethod(
            this, [this, files = std::move(files)] { onDrop_(files); }, Qt::QueuedConnection);
        return true;
      }
      default: return QObject::eventFilter(watched, event);
    }
  }

 private:
  // A drop from outside the program that carries files.
  static bool Carries(const QDropEvent& event) {
    return event.source() == nullptr && !DroppedFiles(*event.mimeData()).empty();
  }

  std::function<bool()> accepting_;
  std::function<void(const std::vector<std::string>&)> onDrop_;
};

// Names compared as people read them: runs of digits by their value, the
// rest without regard to case (the system's collation may lack numbers).
int CompareNames(const QString& a, const QString& b) {
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      qsizetype ei = i;
      qsizetype ej = j;
      while (ei < a.size() && a[ei].isDigit()) ++ei;
      while (ej < b.size() && b[ej].isDigit()) ++ej;
      // Leading zeros do not count; then the longer run is the larger number.
      QStringView da = QStringView(a).mid(i, ei - i);
      QStringView db = QStringView(b).mid(j, ej - j);
      while (da.size() > 1 && da.front() == QLatin1Char('0')) da = da.mid(1);
      while (db.size() > 1 && db.front() == QLatin1Char('0')) db = db.mid(1);
      if (da.size() != db.size()) return da.size() < db.size() ? -1 : 1;
      if (const int c = da.compare(db); c != 0) return c;
      i = ei;
      j = ej;
      continue;
    }
    const int c = QString::compare(QString(a[i]), QString(b[j]), Qt::CaseInsensitive);
    if (c != 0) return c;
    ++i;
    ++j;
  }
  return (a.size() - i > 0) - (b.size() - j > 0);
}

}  // namespace

std::vector<std::string> DroppedFiles(const QMimeData& data) {
  QStringList names;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) names << url.toLocalFile();
  }
  std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int byName = CompareNames(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    return byName != 0 ? byName < 0 : a < b;
  });
  std::vector<std::string> files;
  for (const QString& name : names) files.push_back(QFile::encodeName(name).toStdString());
  return files;
}

void AcceptFileDrops(QWidget* root, std::function<bool()> accepting,
                     std::function<void(const std::vector<std::string>& files)> onDrop) {
  auto* filter = new FileDropFilter(root, std::move(accepting), std::move(onDrop));
  root->setAcceptDrops(true);
  root->installEventFilter(filter);
  for (QWidget* child : root->findChildren<QWidget*>()) child->installEventFilter(filter);
}

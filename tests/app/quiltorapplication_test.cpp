// Exceptions thrown by event handlers while the program runs.
#include "app/quiltorapplication.h"

#include <gtest/gtest.h>
#include <QTimer>
#include <stdexcept>

#include "app/startup.h"
#include "support/windowfixture.h"

namespace {

// Throws what it is given from its event handler.
class Thrower : public QObject {
 public:
  explicit Thrower(std::function<void()> raise) : raise_(std::move(raise)) {}
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) raise_();
    return QObject::event(event);
  }

 private:
  std::function<void()> raise_;
};

using EscapedError = WindowTest;

TEST_F(EscapedError, ReachesTheErrorBoxAndTheLoopGoesOn) {
  ASSERT_NE(qobject_cast<QuiltorApplication*>(qApp), nullptr);
  struct Case {
    std::function<void()> Raise;
    QString Told;
  };
  const Case cases[] = {
      {[] { throw std::runtime_error("Ошибка чтения"); },
       QStringLiteral("Pictaro Quiltor | Ошибка чтения")},
      {[] { throw 42; }, QStringLiteral("Pictaro Quiltor | Неизвестная ошибка")},
  };
  for (const Case& c : cases) {
    Told.clear();
    Thrower thrower(c.Raise);
    bool after = false;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    // Runs only if the loop survived the throw.
    QTimer::singleShot(0, [&after] {
      after = true;
      QCoreApplication::exit(0);  // quit() would close the windows first
    });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(after);
    EXPECT_EQ(Told, QStringList{c.Told});
  }
}

TEST_F(EscapedError, ThrownWhileTheProgramRunsLeavesItRunning) {
  StartupOptions options;
  options.Paths = [this] { return paths_; };
  options.InsteadOfLoop = [](ProgramStartup& startup) {
    TFormMain* window = startup.MainWindow();
    // A command that fails half-way, as a full disk would make it.
    QTimer::singleShot(0, window, [] { throw std::runtime_error("Нет места на диске"); });
    bool after = false;
    QTimer::singleShot(0, window, [&after] {
      after = true;
      QCoreApplication::exit(0);  // quit() would close the windows first
    });
    const int status = QCoreApplication::exec();
    EXPECT_TRUE(after);
    EXPECT_TRUE(window->isVisible());
    return status;
  };
  EXPECT_EQ(RunQuiltor(*qApp, options), 0);
  EXPECT_EQ(Told, QStringList{QStringLiteral("Pictaro Quiltor | Нет места на диске")});
}

}  // namespace

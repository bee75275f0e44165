#pragma once
// The program's application object. An exception that escapes an event
// handler is shown in the program's error box and the program goes on: one
// failed command must not end the program, and C++ exceptions cannot pass
// through the toolkit's event loop.

#include <QApplication>

class QuiltorApplication : public QApplication {
  Q_OBJECT
 public:
  QuiltorApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

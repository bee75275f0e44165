#include "quiltorapplication.h"

#include <exception>

#include "startup.h"

QuiltorApplication::QuiltorApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool QuiltorApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    // The handler's work is abandoned; the windows stay as they were.
    ShowProgramError(std::current_exception());
    return false;
  }
}

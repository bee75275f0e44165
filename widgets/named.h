#pragma once
// Named controls: every control the program names carries that name as its
// objectName() too, so tests and the wiring find it by name.

#include <QString>

// Gives object its name and returns it, for use right where it is created.
template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

#pragma once
// Files dropped from a file manager onto a widget or anything inside it. The
// widgets' own drags (album rows onto the table) are left to them.

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QMimeData;
class QWidget;

// The local files a drop carries, in the order of their names (numbers in
// names compared as numbers: field2 before field10). Empty when it carries none.
std::vector<std::string> DroppedFiles(const QMimeData& data);

// root and its children take dropped files while accepting() is true;
// onDrop gets them as DroppedFiles gives them.
void AcceptFileDrops(QWidget* root, std::function<bool()> accepting,
                     std::function<void(const std::vector<std::string>& files)> onDrop);

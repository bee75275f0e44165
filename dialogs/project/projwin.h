#pragma once
// The new-project dialog: the project's name and whether its frames are saved,
// in a folder of their own or not. It lives for the whole run and keeps what
// was last entered; the caller checks the name.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFormProj : public QDialog {
  Q_OBJECT

 public:
  explicit TFormProj(QWidget* parent = nullptr);

  QLabel* Label = nullptr;
  QLineEdit* EditName = nullptr;
  QCheckBox* CheckBoxSave = nullptr;    // save every captured frame as a file
  QCheckBox* CheckBoxNewDir = nullptr;  // give the project a folder of its own
  QPushButton* ButtonOk = nullptr;
  QPushButton* ButtonCancel = nullptr;

 public slots:
  // A project folder is only ever made for a project whose frames are saved.
  void CheckBoxSaveClick();
};

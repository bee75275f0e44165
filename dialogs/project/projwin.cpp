#include "dialogs/project/projwin.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/named.h"

TFormProj::TFormProj(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormProj"));
  setWindowTitle(QStringLiteral("Новый проект"));
  setModal(true);
  // A title and no buttons in it: the dialog ends by its own two buttons (or Esc).
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  Label = Named(new QLabel(QStringLiteral("Название"), this), "Label");
  EditName = Named(new QLineEdit(QStringLiteral("Изображение"), this), "EditName");
  Label->setBuddy(EditName);
  CheckBoxSave =
      Named(new QCheckBox(QStringLiteral("Сохранять исходные изображения"), this), "CheckBoxSave");
  CheckBoxNewDir = Named(new QCheckBox(QStringLiteral("Создать каталог"), this), "CheckBoxNewDir");
  CheckBoxNewDir->setEnabled(false);
  ButtonOk = Named(new QPushButton(QStringLiteral("Применить"), this), "ButtonOk");
  ButtonOk->setDefault(true);
  ButtonCancel = Named(new QPushButton(QStringLiteral("Отмена"), this), "ButtonCancel");

  auto* layout = new QVBoxLayout(this);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(Label);
  nameRow->addWidget(EditName, 1);
  layout->addLayout(nameRow);
  layout->addWidget(CheckBoxSave);
  layout->addWidget(CheckBoxNewDir);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonOk);
  buttons->addWidget(ButtonCancel);
  layout->addLayout(buttons);
  // A fixed border: the dialog keeps the size of its contents.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  EditName->setMinimumWidth(220);

  // toggled, not clicked: a programmatic change keeps the pair consistent too.
  connect(CheckBoxSave, &QCheckBox::toggled, this, &TFormProj::CheckBoxSaveClick);
  connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormProj::CheckBoxSaveClick() {
  const bool save = CheckBoxSave->isChecked();
  CheckBoxNewDir->setEnabled(save);
  if (!save) CheckBoxNewDir->setChecked(false);
}

#include "dialogs/project/projwin.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace {

// Clicks the box's indicator (a stretched box's middle may lie past its text).
void Click(QCheckBox* box) {
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Runs the dialog modally and lets answer act on it once it is shown.
int ExecAnswered(TFormProj& form, std::function<void()> answer) {
  QTimer::singleShot(0, &form, std::move(answer));
  return form.exec();
}

TEST(TFormProj, StartsWithTheNamedControlsAndTheirTexts) {
  TFormProj form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Новый проект"));
  EXPECT_FALSE(form.windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("Label")), form.Label);
  EXPECT_EQ(form.Label->text(), QStringLiteral("Название"));
  EXPECT_EQ(form.findChild<QLineEdit*>(QStringLiteral("EditName")), form.EditName);
  EXPECT_EQ(form.EditName->text(), QStringLiteral("Изображение"));
  EXPECT_EQ(form.findChild<QCheckBox*>(QStringLiteral("CheckBoxSave")), form.CheckBoxSave);
  EXPECT_EQ(form.CheckBoxSave->text(), QStringLiteral("Сохранять исходные изображения"));
  EXPECT_FALSE(form.CheckBoxSave->isChecked());
  EXPECT_EQ(form.findChild<QCheckBox*>(QStringLiteral("CheckBoxNewDir")), form.CheckBoxNewDir);
  EXPECT_EQ(form.CheckBoxNewDir->text(), QStringLiteral("Создать каталог"));
  EXPECT_FALSE(form.CheckBoxNewDir->isChecked());
  EXPECT_FALSE(form.CheckBoxNewDir->isEnabled());
  EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("ButtonOk")), form.ButtonOk);
  EXPECT_EQ(form.ButtonOk->text(), QStringLiteral("Применить"));
  EXPECT_TRUE(form.ButtonOk->isDefault());
  EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("ButtonCancel")), form.ButtonCancel);
  EXPECT_EQ(form.ButtonCancel->text(), QStringLiteral("Отмена"));
}

TEST(TFormProj, SavingAloneEnablesTheOwnFolderAndUncheckingClearsIt) {
  TFormProj form;
  form.show();
  Click(form.CheckBoxSave);
  EXPECT_TRUE(form.CheckBoxSave->isChecked());
  EXPECT_TRUE(form.CheckBoxNewDir->isEnabled());
  EXPECT_FALSE(form.CheckBoxNewDir->isChecked());
  Click(form.CheckBoxNewDir);
  EXPECT_TRUE(form.CheckBoxNewDir->isChecked());

  Click(form.CheckBoxSave);
  EXPECT_FALSE(form.CheckBoxNewDir->isEnabled());
  EXPECT_FALSE(form.CheckBoxNewDir->isChecked());
  Click(form.CheckBoxSave);
  EXPECT_TRUE(form.CheckBoxNewDir->isEnabled());
  EXPECT_FALSE(form.CheckBoxNewDir->isChecked());
}

TEST(TFormProj, AnswersOkOrCancelAndKeepsTheFieldsBetweenShowings) {
  QWidget parent;
  parent.setGeometry(100, 80, 900, 700);
  parent.show();
  TFormProj form(&parent);
  QRect shownAt;
  QSize minimum;
  QSize maximum;
  const int ok = ExecAnswered(form, [&] {
    shownAt = form.frameGeometry();
    minimum = form.minimumSize();
    maximum = form.maximumSize();
    form.EditName->setText(QStringLiteral("Срез 3"));
    Click(form.CheckBoxSave);
    Click(form.CheckBoxNewDir);
    QTest::mouseClick(form.ButtonOk, Qt::LeftButton);
  });
  EXPECT_EQ(ok, QDialog::Accepted);
  EXPECT_EQ(minimum, maximum);  // fixed size
  EXPECT_LE((shownAt.center() - parent.frameGeometry().center()).manhattanLength(), 4);

  // Shown again: the last values are there; Cancel keeps them too, Enter is OK.
  QString nameShown;
  bool ownFolderShown = false;
  const int cancel = ExecAnswered(form, [&] {
    nameShown = form.EditName->text();
    ownFolderShown = form.CheckBoxNewDir->isChecked() && form.CheckBoxNewDir->isEnabled();
    QTest::mouseClick(form.ButtonCancel, Qt::LeftButton);
  });
  EXPECT_EQ(cancel, QDialog::Rejected);
  EXPECT_EQ(nameShown, QStringLiteral("Срез 3"));
  EXPECT_TRUE(ownFolderShown);
  const int enter = ExecAnswered(form, [&] { QTest::keyClick(form.EditName, Qt::Key_Return); });
  EXPECT_EQ(enter, QDialog::Accepted);
  EXPECT_EQ(form.EditName->text(), QStringLiteral("Срез 3"));
  EXPECT_TRUE(form.CheckBoxSave->isChecked());
}

}  // namespace

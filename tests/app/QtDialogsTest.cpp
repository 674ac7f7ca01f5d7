// The real dialogs of the program, shown offscreen and read while they are open.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "TestSupport.h"
#include "app/UserDialogs.h"

namespace {

// Runs `look` on the modal dialog once it is up, then lets `close` end it.
void WhenShown(std::function<void(QWidget*)> look) {
  QTimer::singleShot(0, [look] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      ADD_FAILURE() << "no dialog is shown";
      return;
    }
    look(modal);
  });
}

}  // namespace

// Qt's standard texts are Russian, whatever the system's language.
TEST(QtDialogs, QuestionButtonsAreRussian) {
  QtUserDialogs dialogs;
  QStringList texts;
  WhenShown([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_TRUE(box);
    for (QAbstractButton* b : box->buttons()) texts << b->text().remove(QLatin1Char('&'));
    box->button(QMessageBox::No)->click();
  });
  EXPECT_EQ(dialogs.question("Данные TU", "Сохранить?", UserDialogs::Buttons::YesNoCancel),
            UserDialogs::Answer::No);
  texts.sort();
  EXPECT_EQ(texts, (QStringList{"Да", "Нет", "Отмена"}));
}

// The open dialog: the configured "*.info" in the name field from the first showing,
// and no button for making folders at all.
TEST(QtDialogs, OpenDialogStartsWithTheMaskAndHasNoNewFolderButton) {
  dvtest::TempDir dir;
  QtUserDialogs dialogs;
  UserDialogs::OpenFileRequest request;
  request.title = "Выбор выпуска";
  request.filter = "Файл начальных данных (*.info)";
  request.initialFolder = QString::fromStdString(dir.path().string());
  request.initialFileName = QString::fromStdString(dir.path().string()) + "/*.info";
  QString name, title;
  bool newFolderShown = true, detail = false;
  WhenShown([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    ASSERT_TRUE(d);
    title = d->windowTitle();
    if (auto* edit = d->findChild<QLineEdit*>("fileNameEdit")) name = edit->text();
    auto* button = d->findChild<QToolButton*>("newFolderButton");
    ASSERT_TRUE(button);
    newFolderShown = button->isVisible();
    detail = d->viewMode() == QFileDialog::Detail;
    d->reject();
  });
  EXPECT_FALSE(dialogs.chooseOpenFile(request).has_value());
  EXPECT_EQ(title, "Выбор выпуска");
  EXPECT_EQ(name, "*.info");
  EXPECT_FALSE(newFolderShown);
  EXPECT_TRUE(detail);
}

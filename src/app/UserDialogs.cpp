#include "app/UserDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>
#include <QTranslator>

namespace {
QString AppTitle() {
  const QString t = QGuiApplication::applicationDisplayName();
  return t.isEmpty() ? QStringLiteral("Devirarav") : t;
}
}  // namespace

bool InstallRussianTranslation() {
  static QTranslator* translator = nullptr;
  if (translator) return true;
  auto* t = new QTranslator(QCoreApplication::instance());
  if (!t->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete t;
    return false;
  }
  QCoreApplication::installTranslator(t);
  translator = t;
  return true;
}

void QtUserDialogs::message(const QString& text) {
  QMessageBox::information(parent_, AppTitle(), text);
}

void QtUserDialogs::error(const QString& text) {
  QMessageBox::critical(parent_, AppTitle(), text);
}

UserDialogs::Answer QtUserDialogs::question(const QString& caption, const QString& text,
                                            Buttons buttons) {
  const auto set = buttons == Buttons::YesNoCancel
                       ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                       : QMessageBox::Yes | QMessageBox::No;
  const auto r = QMessageBox::question(parent_, caption, text, set);
  if (r == QMessageBox::Yes) return Answer::Yes;
  if (r == QMessageBox::No) return Answer::No;
  // Closing a Yes/No box counts as No, as the box has no Cancel.
  return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
}

std::optional<QString> QtUserDialogs::inputText(const QString& caption, const QString& prompt,
                                                const QString& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

std::optional<int> QtUserDialogs::chooseItem(const QString& caption, const QString& prompt,
                                             const QStringList& items, int current) {
  bool ok = false;
  const QString chosen = QInputDialog::getItem(parent_, caption, prompt, items, current, false, &ok);
  if (!ok) return std::nullopt;
  const int index = static_cast<int>(items.indexOf(chosen));
  if (index < 0) return std::nullopt;
  return index;
}

std::optional<QString> QtUserDialogs::chooseOpenFile(const OpenFileRequest& request) {
  QFileDialog dialog(parent_, request.title, request.initialFolder, request.filter);
  // Qt's own dialog, the same on every desktop, so that it can be set up as below.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The detailed list, and no button for making folders: choosing a flight never needs one.
  dialog.setViewMode(QFileDialog::Detail);
  dialog.setOption(QFileDialog::ReadOnly, true);
  if (auto* newFolder = dialog.findChild<QToolButton*>(QStringLiteral("newFolderButton"))) newFolder->hide();
  dialog.setSizeGripEnabled(true);
  // The file name as given: the configured "*.info" the first time, then the last file chosen.
  const QString name = QFileInfo(request.initialFileName).fileName();
  if (auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); field && !name.isEmpty())
    field->setText(name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUserDialogs::chooseSaveFile(const QString& title, const QString& filter,
                                                     const QString& suggested) {
  const QString file = QFileDialog::getSaveFileName(parent_, title, suggested, filter);
  if (file.isEmpty()) return std::nullopt;
  return file;
}

void QtUserDialogs::beep() { QApplication::beep(); }

void QtUserDialogs::openExternal(const QString& target) { QDesktopServices::openUrl(QUrl(target)); }

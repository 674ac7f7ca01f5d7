#pragma once
// The about box: product and author lines and two links; any click or key closes it.

#include <QDialog>

class QLabel;
class UserDialogs;

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  TAboutBox(UserDialogs& dialogs, QWidget* parent = nullptr);

  // Link targets by the labels' tag: 1 the mail address, 2 the web page.
  static QString LinkTarget(int tag);

  QLabel* lbMail = nullptr;      // tag 1
  QLabel* lbInternet = nullptr;  // tag 2
  QLabel* lbReturn = nullptr;
  QLabel* productLine = nullptr;

  static constexpr int kLeftWidth = 111;
  static constexpr int kRightWidth = 256;

 public slots:
  void OKButtonClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;  // FormKeyPress
  void mousePressEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void lbInternetClick(QLabel* label);
  UserDialogs& dialogs_;
};

#include "about/AboutBox.h"

#include "desktop/Desktop.h"

#include <QScreen>

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/UserDialogs.h"
#include "desktop/Desktop.h"

namespace {

constexpr QRgb kBrown = 0x986935;
constexpr QRgb kLightBeige = 0xF8E7D8;
constexpr QRgb kDarkRed = 0x400000;

QLabel* MakeLabel(QWidget* parent, const QString& text, int pixels, bool bold, QRgb colour) {
  auto* l = new QLabel(text, parent);
  QFont f = l->font();
  f.setPixelSize(pixels);
  f.setBold(bold);
  l->setFont(f);
  l->setAlignment(Qt::AlignCenter);
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, QColor::fromRgb(colour));
  l->setPalette(p);
  return l;
}

// A sounding balloon over its radiosonde, drawn rather than shipped as a file.
QPixmap BalloonPicture() {
  QPixmap pm(64, 96);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor::fromRgb(kLightBeige), 2));
  p.setBrush(QColor::fromRgb(kLightBeige));
  p.drawEllipse(QRectF(12, 4, 40, 46));
  p.drawLine(QPointF(32, 50), QPointF(32, 78));
  p.drawRect(QRectF(26, 78, 12, 12));
  return pm;
}

}  // namespace

QString TAboutBox::LinkTarget(int tag) {
  switch (tag) {
    case 1: return QStringLiteral("mailto:devirarav@example.org");
    case 2: return QStringLiteral("https://devirarav.example.org/");
    default: return {};
  }
}

TAboutBox::TAboutBox(UserDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
  setWindowTitle(QStringLiteral("Devirarav"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  // The two panels side by side, each whole: 111 + 256 pixels wide.
  setFixedSize(kLeftWidth + kRightWidth, 163);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor::fromRgb(kBrown));
  setPalette(pal);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  auto* left = new QWidget(this);
  left->setFixedWidth(kLeftWidth);
  auto* leftLayout = new QVBoxLayout(left);
  auto* picture = new QLabel(left);
  picture->setPixmap(BalloonPicture());
  picture->setAlignment(Qt::AlignCenter);
  lbReturn = MakeLabel(left, QStringLiteral("Возврат"), 15, false, kLightBeige);
  QFont f = lbReturn->font();
  f.setUnderline(true);
  lbReturn->setFont(f);
  lbReturn->setCursor(Qt::PointingHandCursor);
  leftLayout->addWidget(picture, 1);
  leftLayout->addWidget(lbReturn);

  auto* right = new QFrame(this);
  right->setFixedWidth(kRightWidth);
  right->setFrameShape(QFrame::Panel);
  right->setFrameShadow(QFrame::Sunken);
  right->setToolTip(QStringLiteral("Наши координаты"));
  right->setAutoFillBackground(true);
  QPalette rp = right->palette();
  rp.setColor(QPalette::Window, QColor::fromRgb(kLightBeige));
  right->setPalette(rp);
  auto* rightLayout = new QVBoxLayout(right);
  auto* product = MakeLabel(right, QStringLiteral("Devirarav %1, 2024–2026, редакция ОЖ").arg(QLatin1String(dv::desktop::Version())), 12, true, 0x000000);
  product->setWordWrap(true);  // whole, on two lines if it must
  productLine = product;
  auto* author = MakeLabel(right, QStringLiteral("Группа разработчиков программы Devirarav"), 16, true, kDarkRed);
  author->setWordWrap(true);
  lbInternet = MakeLabel(right, QStringLiteral("devirarav.example.org"), 12, false, 0x0000FF);
  lbInternet->setToolTip(QStringLiteral("Зеркало домашней страницы"));
  lbInternet->setProperty("tag", 2);
  lbMail = MakeLabel(right, QStringLiteral("devirarav@example.org"), 12, false, 0x0000FF);
  lbMail->setToolTip(QStringLiteral("e-mail"));
  lbMail->setProperty("tag", 1);
  for (QLabel* link : {lbInternet, lbMail}) {
    QFont lf = link->font();
    lf.setUnderline(true);
    link->setFont(lf);
    link->setCursor(Qt::PointingHandCursor);
  }
  rightLayout->addWidget(product);
  rightLayout->addWidget(author);
  rightLayout->addWidget(lbInternet);
  rightLayout->addWidget(lbMail);

  row->addWidget(left);
  row->addWidget(right);

  // Every part of the box closes it on a click; the links open first.
  for (QWidget* w : std::initializer_list<QWidget*>{left, right, picture, lbReturn, product, author, lbInternet, lbMail})
    w->installEventFilter(this);
}

void TAboutBox::showEvent(QShowEvent* event) {
  // Centred on the screen, not on the main window.
  if (QScreen* screen = this->screen()) {
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
  QDialog::showEvent(event);
}

void TAboutBox::OKButtonClick() { accept(); }

void TAboutBox::lbInternetClick(QLabel* label) {
  const int tag = label->property("tag").toInt();
  if (tag != 1 && tag != 2) return;
  dialogs_.openExternal(LinkTarget(tag));
  OKButtonClick();
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == lbInternet || watched == lbMail)
      lbInternetClick(static_cast<QLabel*>(watched));
    else
      OKButtonClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TAboutBox::keyPressEvent(QKeyEvent*) { OKButtonClick(); }

void TAboutBox::mousePressEvent(QMouseEvent*) { OKButtonClick(); }

// Pictures of the main window with a flight open, offscreen, one per page:
//   QT_QPA_PLATFORM=offscreen build/tools/devirarav_window_shots examples/20251014-1130 /tmp/shots
// With "check" it also gives "Проверка", whose panel then shows in every picture.
// With a third argument "edit" it also selects and excludes stretches first,
// so the band, the excluded colours and the trajectory highlight show.

#include <QApplication>
#include <algorithm>
#include <QDir>
#include <QTabWidget>
#include <cstdio>

#include "app/MainWindow.h"
#include "app/TextCodec.h"
#include "app/UserDialogs.h"
#include "editing/ListingView.h"

namespace {

// Answers nothing: prints each message and takes the cautious answer.
class PrintingDialogs : public UserDialogs {
 public:
  void message(const QString& text) override { std::printf("message: %s\n", qPrintable(text)); }
  void error(const QString& text) override { std::printf("error: %s\n", qPrintable(text)); }
  Answer question(const QString& caption, const QString& text, Buttons) override {
    std::printf("question: %s | %s -> No\n", qPrintable(caption), qPrintable(text));
    return Answer::No;
  }
  std::optional<QString> inputText(const QString&, const QString&, const QString& initial) override {
    return initial;
  }
  std::optional<QString> chooseOpenFile(const OpenFileRequest&) override { return std::nullopt; }
  std::optional<QString> chooseSaveFile(const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<int> chooseItem(const QString&, const QString&, const QStringList&, int) override { return std::nullopt; }
  void beep() override {}
  void openExternal(const QString&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FLIGHT_BASE OUT_FOLDER [edit] [check] [WIDTHxHEIGHT]\n", argv[0]);
    return 2;
  }
  const QString base = QString::fromLocal8Bit(argv[1]);
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);

  dv::Flight flight;
  PrintingDialogs dialogs;
  MainFrmOptions options;
  options.flight = &flight;
  options.dialogs = &dialogs;
  options.configFile = QDir(out).absoluteFilePath(QStringLiteral("shots.CNF"));
  TfmMainFrm window(options);
  bool edit = false, check = false;
  QSize size(1280, 800);
  for (int i = 3; i < argc; ++i) {
    const QString a = QString::fromLocal8Bit(argv[i]);
    const QStringList wh = a.split(QLatin1Char('x'));
    if (a == QStringLiteral("edit")) edit = true;
    else if (a == QStringLiteral("check")) check = true;
    else if (wh.size() == 2) size = QSize(wh[0].toInt(), wh[1].toInt());
  }
  window.resize(size);
  window.show();
  if (!window.OpenFlight(base + QStringLiteral(".info"))) return 1;

  if (edit) {
    const int tu = window.lbxTLM->RowCount();
    const int crd = window.lbxCRD->RowCount();
    // An excluded stretch in each listing, then a second stretch left selected as the range.
    window.lbxTLM->SelectRows(tu / 3, tu / 3 + tu / 20);
    window.lbListingClick(window.lbxTLM);
    window.idMarkTUClick();
    window.lbxTLM->DeselectAll();
    window.lbxTLM->SelectRows(tu / 2, tu / 2 + tu / 10);
    window.lbListingClick(window.lbxTLM);
    window.lbxCRD->SelectRows(crd / 4, crd / 4 + crd / 20);
    window.lbListingClick(window.lbxCRD);
    window.idMarkCRDClick();
    window.lbxCRD->DeselectAll();
    window.lbxCRD->SelectRows(crd / 2, crd / 2 + crd / 8);
    window.lbListingClick(window.lbxCRD);
  }

  if (check) window.idCheckClick();

  // Every page, with the coordinate listing in front, then with the telemetry one.
  for (int listing = 0; listing < window.PageControlTxt->count(); ++listing) {
    window.PageControlTxt->setCurrentIndex(listing);
    for (int page = 0; page < window.PageControlTU->count(); ++page) {
      window.PageControlTU->setCurrentIndex(page);
      QApplication::processEvents();
      const QString file = QDir(out).absoluteFilePath(
          QStringLiteral("window-%1%2.png").arg(page).arg(listing == 0 ? QString() : QStringLiteral("-tu")));
      window.grab().save(file);
      std::printf("%s\n", qPrintable(file));
    }
  }
  window.InfoModified = window.TLMModified = window.CRDModified = false;
  return 0;
}

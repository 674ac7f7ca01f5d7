#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>
#include <QTest>
#include <map>

#include "desktop/Desktop.h"
#include "WindowFixture.h"
#include "about/AboutBox.h"
#include "editing/ListingView.h"
#include "flight/InfoFile.h"

using dvtest::ReadAll;
using Answer = UserDialogs::Answer;

namespace {
const char* const kTu = "0.00\t-1.50\t87.00\r\n1.00\t-1.60\t86.00\r\n2.00\t-1.70\t85.00\r\n";
const char* const kCrd = "0.00\t150.00\t1.000000\t-0.010000\r\n1.00\t160.00\t1.000000\t0.100000\r\n";

// Each entry of a folder with its bytes ("" for a folder) and permission bits.
std::map<std::string, std::pair<std::string, int>> Snapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::pair<std::string, int>> s;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    s[e.path().filename().string()] = {e.is_regular_file() ? ReadAll(e.path().string()) : "", int(e.status().permissions())};
  return s;
}

std::string InfoValue(const std::string& file, const std::string& key) {
  const std::string text = ReadAll(file);
  const auto at = text.find(key + ":\t");
  if (at == std::string::npos) return "<absent>";
  const auto from = at + key.size() + 2;
  return text.substr(from, text.find('\r', from) - from);
}
}  // namespace

class ExportTest : public WindowFixture {
 protected:
  std::string base;
  void SetUp() override {
    base = WriteFlight("20100305-0907", kTu, kCrd, 2010, 3, 5, 9, 7);
    Create();
    ASSERT_TRUE(Open(base));
    dialogs.calls.clear();
  }
  void Export(std::optional<QString> answer) {
    dialogs.inputs = {answer};
    window->mniSaveEOL->trigger();
  }
  // The flight lives under the export name only: reopening its old name leaves
  // nothing of it in the window.
  void ExpectClearedByReopen() {
    window->idReOpen->trigger();
    EXPECT_EQ(dialogs.calls.back().text, "Info-файл ошибка!");
    EXPECT_EQ(window->windowTitle(), "Devirarav");
    EXPECT_EQ(window->lbxTLM->RowCount() + window->lbxCRD->RowCount(), 0);
    EXPECT_EQ(window->edtStation->text() + window->edtP0->text(), "");
  }
  void ExpectWholeOnReopen() {
    dialogs.answers = {Answer::No};  // "Сохранить?"
    window->idReOpen->trigger();
    EXPECT_EQ(window->windowTitle(), "Devirarav:27612-20100305-0907");
    EXPECT_EQ(window->lbxTLM->RowCount(), 3);
  }
};

TEST_F(ExportTest, ThreeHoursGivesTheThreeUtcFilesAndKeepsOriginals) {
  Export(QStringLiteral("3"));
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Пояс (для ZAZO VERE/Dodezo) | Введите разницу с ВСВ",
                                                   "Данные INFO скопированы", "Данные TU скопированы",
                                                   "Данные CRD скопированы"}));
  const std::string out = dir.file("5.3.2010-6.7");
  QApplication::processEvents();  // the status bar names what the command wrote once it is over
  EXPECT_EQ(window->statusBar()->currentMessage(), "Записано: 5.3.2010-6.7.info, 5.3.2010-6.7.tu, 5.3.2010-6.7.crd");
  EXPECT_EQ(InfoValue(out + ".info", "StartHour"), "6");
  EXPECT_EQ(InfoValue(out + ".info", "StartMinute"), "7");
  EXPECT_EQ(InfoValue(out + ".info", "StationLongitude"), "-37.567");
  EXPECT_EQ(ReadAll(out + ".tu"), kTu);
  EXPECT_EQ(ReadAll(out + ".crd"), kCrd);
  // The flight had never been saved: its own files are now its read-only originals.
  for (const char* ext : {".info", ".tu", ".crd"}) {
    EXPECT_FALSE(std::filesystem::exists(base + ext)) << ext;
    EXPECT_TRUE(dvtest::IsReadOnly(base + ".org" + ext)) << ext;
  }
  EXPECT_EQ(ReadAll(base + ".org.tu"), kTu);
  EXPECT_FLOAT_EQ(flight.Info.StationLongitude, 37.567f);
  EXPECT_EQ(flight.Info.StartHour, 9);
  ExpectClearedByReopen();
}

// Cancel is no answer: no message, no file, no original.
TEST_F(ExportTest, CancelWritesNothing) {
  const auto before = Snapshot(dir.path());
  Export(std::nullopt);
  EXPECT_EQ(dialogs.calls.size(), 1u);  // the question only
  EXPECT_EQ(Snapshot(dir.path()), before);
  ExpectWholeOnReopen();
}

// 0 copies the .info alone, under the local time with the longitude negative; an
// .info alone is no set, so the flight keeps its own files and opens again whole.
TEST_F(ExportTest, ZeroWritesOnlyTheInfoAndTheFlightStaysWhole) {
  Export(QStringLiteral("0"));
  EXPECT_EQ(dialogs.calls.back().text, "Данные INFO скопированы");
  const std::string out = dir.file("5.3.2010-9.7");
  EXPECT_EQ(InfoValue(out + ".info", "StationLongitude"), "-37.567");
  EXPECT_EQ(InfoValue(out + ".info", "StartHour"), "9");
  EXPECT_FALSE(std::filesystem::exists(out + ".tu"));
  EXPECT_EQ(window->edtLong->text(), "37.567");
  EXPECT_FLOAT_EQ(flight.Info.StationLongitude, 37.567f);
  for (const char* ext : {".info", ".tu", ".crd"}) EXPECT_TRUE(std::filesystem::exists(base + ext)) << ext;
  ExpectWholeOnReopen();
}

// A write failing half-way, or a refused value, takes back all the export made:
// the flight is whole under its own name, and closing still asks about the edits.
TEST_F(ExportTest, AFailureHalfWayLeavesTheFlightWhole) {
  for (const char* blocked : {"5.3.2010-6.7.tu", "5.3.2010-6.7.crd", ""}) {
    if (*blocked) std::filesystem::create_directory(dir.file(blocked));  // no file over a folder
    window->edtT0->setText(*blocked ? "-1.5" : "60");
    window->edtT0->setModified(true);
    window->SetTLMModified(true);
    const auto before = Snapshot(dir.path());
    Export(QStringLiteral("3"));
    EXPECT_EQ(dialogs.calls.back().text, *blocked ? "Ошибка сохранения\n" + PathToQt(dir.file(blocked))
                                                  : "Недопустимое значение!");
    EXPECT_EQ(Snapshot(dir.path()), before) << blocked;
    EXPECT_TRUE(window->TLMModified) << blocked;
    if (*blocked) std::filesystem::remove(dir.file(blocked));
  }
  ExpectWholeOnReopen();
}

TEST_F(ExportTest, OtherAnswers) {
  Export(QStringLiteral("-5"));
  EXPECT_TRUE(std::filesystem::exists(dir.file("5.3.2010-14.7.crd")));
  Export(QStringLiteral("+3"));
  EXPECT_TRUE(std::filesystem::exists(dir.file("5.3.2010-6.7.crd")));
  dialogs.calls.clear();
  Export(QStringLiteral("13"));
  EXPECT_EQ(dialogs.calls.size(), 1u);  // the question only
  Export(QStringLiteral("3.5"));
  EXPECT_EQ(dialogs.calls.back().text, "Извините, не поняла?!");
}

TEST_F(WindowFixture, ExportAcrossTheYearEnd) {
  const std::string base = WriteFlight("20110101-0130", kTu, kCrd, 2011, 1, 1, 1, 30);
  Create();
  ASSERT_TRUE(Open(base));
  dialogs.inputs = {QStringLiteral("3")};
  window->mniSaveEOL->trigger();
  const std::string out = dir.file("31.12.2010-22.30.info");
  EXPECT_EQ(InfoValue(out, "StartYear"), "2010");
  EXPECT_EQ(InfoValue(out, "StartDay"), "31");
}

class ProcessingTest : public WindowFixture {
 protected:
  std::string base, work, program, record;
  void SetUp() override {
    work = dir.file("TEMP");
    std::filesystem::create_directory(work);
    program = dir.file("process.sh");
    record = dir.file("record.txt");
    // A stand-in processing program: records its argument and working folder.
    dvtest::WriteAll(program, "#!/bin/sh\nprintf '%s\\n%s\\n' \"$1\" \"$(pwd)\" > " + record + ".part && mv " +
                                  record + ".part " + record + "\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    dvtest::WriteAll(ConfigPath(), "[TELEGM]\r\nEXE=" + program + "\r\nTEMP=" + work + "\r\n");
    base = WriteFlight("12345", kTu, kCrd);
    Create();
    ASSERT_TRUE(window->ProcessingAvailable);
    ASSERT_TRUE(Open(base));
    ASSERT_TRUE(TfmMainFrm::IsReachable(window->mniSaveRun));
    dialogs.calls.clear();
  }
};

TEST_F(ProcessingTest, WritesTheWorkFilesAndStartsTheProgram) {
  QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Данные INFO скопированы", "Данные TU скопированы",
                                                   "Данные CRD скопированы"}));
  EXPECT_EQ(ReadAll(work + "/12345.tu"), kTu);
  EXPECT_FALSE(std::filesystem::exists(base + ".org.tu"));  // the flight's own files are untouched
  for (int i = 0; i < 100 && !std::filesystem::exists(record); ++i) QTest::qWait(50);
  ASSERT_TRUE(std::filesystem::exists(record));
  EXPECT_EQ(ReadAll(record), work + "/12345.*\n" + std::filesystem::canonical(work).string() + "\n");
}

TEST_F(ProcessingTest, AWriterFailureEndsWithCodeZero) {
  window->edtT0->setText("60");
  window->edtT0->setModified(true);
  window->mniSaveRun->trigger();
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Данные INFO скопированы", "Недопустимое значение!",
                                                   "Не получилось:(!\nОшибка0"}));
  EXPECT_FALSE(std::filesystem::exists(work + "/12345.crd"));
}

TEST_F(ProcessingTest, AMissingProgramReportsItsCode) {
  std::filesystem::remove(program);
  window->mniSaveRun->trigger();
  EXPECT_EQ(dialogs.calls.back().text, "Не получилось:(!\nОшибка2");
  EXPECT_TRUE(std::filesystem::exists(work + "/12345.crd"));
}

TEST_F(WindowFixture, AboutBoxClosesOnAKeyAndOnAClick) {
  Create();
  auto closeWith = [&](auto action) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = true;
      action(box);
    });
    window->About1->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  };
  closeWith([](TAboutBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  closeWith([](TAboutBox* box) { QTest::keyClick(box, Qt::Key_A); });
  closeWith([](TAboutBox* box) { QTest::mouseClick(box->lbReturn, Qt::LeftButton); });
  closeWith([](TAboutBox* box) { QTest::mouseClick(box->lbMail, Qt::LeftButton); });
  EXPECT_EQ(dialogs.calls.back(), (ScriptedDialogs::Call{"external", {}, "mailto:devirarav@example.org"}));
}

// Both panels whole, the product line whole, the box centred on the screen.
TEST_F(WindowFixture, AboutBoxShowsBothPanelsWholeAndIsCentredOnTheScreen) {
  Create();
  window->move(0, 0);
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = true;
    for (QWidget* panel : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      EXPECT_TRUE(box->rect().contains(panel->geometry())) << panel->metaObject()->className();
    }
    QLabel* product = box->productLine;
    EXPECT_TRUE(product->text().startsWith(QStringLiteral("Devirarav ") + QLatin1String(dv::desktop::Version()) + ','));
    const QFontMetrics fm(product->font());
    // Every word of the product line lies inside its label.
    for (const QString& word : product->text().split(' '))
      EXPECT_LE(fm.horizontalAdvance(word), product->contentsRect().width()) << word.toStdString();
    EXPECT_GE(product->height(), product->heightForWidth(product->width()));
    const QPoint screenCentre = box->screen()->availableGeometry().center();
    EXPECT_LE((box->frameGeometry().center() - screenCentre).manhattanLength(), 2);
    box->OKButtonClick();
  });
  window->About1->trigger();
  EXPECT_TRUE(seen);
}

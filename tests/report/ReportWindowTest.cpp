// "Отчёт" in the real window, read back by poppler: pdftotext finds the flight
// and every change, pdftoppm renders every page; and devirarav-check --pdf.

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

#include "WindowFixture.h"
#include "charts/TChart.h"
#include "common/Helpers.h"
#include "editing/ListingView.h"
#include "geo/TrackExport.h"
#include "report/Review.h"

namespace {

std::string Shell(const std::string& command) { return dvtest::CommandOutput(command); }
bool Have(const std::string& program) { return dvtest::HaveProgram(program); }

// pdftotext breaks table cells apart; compare the text with its spaces squeezed.
std::string Squeezed(std::string text) {
  std::string out;
  for (char c : text) {
    const bool space = c == ' ' || c == '\n' || c == '\t' || c == '\f';
    if (space && (out.empty() || out.back() == ' ')) continue;
    out += space ? ' ' : c;
  }
  return out;
}

int PageCount(const std::string& pdf) {
  std::istringstream info(Shell("pdfinfo '" + pdf + "' 2>/dev/null"));
  for (std::string line; std::getline(info, line);)
    if (line.rfind("Pages:", 0) == 0) return std::stoi(line.substr(6));
  return 0;
}

// Every page rendered: one picture per page, none empty.
void ExpectEveryPageRenders(const std::string& pdf, const std::filesystem::path& dir, int pages) {
  const std::string prefix = (dir / "page").string();
  ASSERT_EQ(std::system(("pdftoppm -r 20 -png '" + pdf + "' '" + prefix + "' 2>/dev/null").c_str()), 0);
  int rendered = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().filename().string().rfind("page", 0) == 0 && e.path().extension() == ".png") {
      EXPECT_GT(std::filesystem::file_size(e.path()), 500u) << e.path();
      ++rendered;
    }
  EXPECT_EQ(rendered, pages);
}

class ReportWindowTest : public WindowFixture {
 protected:
  void SetUp() override {
    if (!Have("pdftotext") || !Have("pdftoppm") || !Have("pdfinfo"))
      GTEST_SKIP() << "poppler-utils is not installed (scripts/install-deps.sh installs it)";
  }
  void Select(TListingView* listing, int first, int last) {
    listing->DeselectAll();
    listing->SelectRows(first, last);
    window->lbListingClick(listing);
  }
  std::string Report(const std::string& file) {
    dialogs.files.push_back(PathToQt(file));
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    return std::filesystem::exists(file) ? dvtest::ReadAll(file) : std::string();
  }
};

TEST_F(ReportWindowTest, TheReviewWithItsChangesStepsAndCharts) {
  TfmMainFrm& w = Create();
  const std::string base = CopyExample("20251014-1130");
  ASSERT_TRUE(Open(base));
  // The dialog suggests a name beside the flight that is not NAME.*.
  dialogs.files.push_back(std::nullopt);
  w.idReport->trigger();
  ASSERT_FALSE(dialogs.calls.empty());
  EXPECT_EQ(dialogs.calls.back().kind, QStringLiteral("save"));
  EXPECT_EQ(dialogs.calls.back().text, PathToQt(base + "-report.pdf"));

  // The observer's edits: the surface pressure typed, a stretch of telemetry
  // excluded, and then undone and done again.
  TypeInto(w.edtP0, "1010", w.lbxTLM);
  Select(w.lbxTLM, 100, 120);
  QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
  ASSERT_EQ(w.history().Steps().size(), 2u);
  const std::string oldP0 = dv::FormatFixed(w.flight().OrgInfo.OnGroundPressure, 0, 1);
  // The shown chart keeps its scales through the report.
  w.PageControlTU->setCurrentWidget(w.tsCRD);
  QApplication::processEvents();
  const QCPRange before = w.ChrtCRD->xAxis->range();
  const std::uint32_t flags = w.ModifiedBits();

  const std::string pdf = dir.file("review.pdf");
  const std::string bytes = Report(pdf);
  ASSERT_EQ(bytes.rfind("%PDF-", 0), 0u);
  QApplication::processEvents();
  EXPECT_EQ(w.ChrtCRD->xAxis->range(), before);
  EXPECT_EQ(w.ModifiedBits(), flags);  // the report changes nothing of the flight
  EXPECT_EQ(w.history().Steps().size(), 2u);

  const std::string text = Squeezed(Shell("pdftotext -layout '" + pdf + "' - 2>/dev/null"));
  EXPECT_NE(text.find("Отчёт о просмотре выпуска 20251014-1130"), std::string::npos) << text;
  EXPECT_NE(text.find("Станция 27612"), std::string::npos);
  EXPECT_NE(text.find("14.10.2025 11:30"), std::string::npos);
  EXPECT_NE(text.find("Давление у земли, гПа " + oldP0 + " 1010.0"), std::string::npos) << text;
  // Each table under its own header row.
  EXPECT_NE(text.find("Файл Точек Исключено Оригинал Точек в оригинале"), std::string::npos) << text;
  EXPECT_NE(text.find("Поле В оригинале Сейчас"), std::string::npos) << text;
  EXPECT_NE(text.find("№ Шаг Состояние"), std::string::npos) << text;
  EXPECT_NE(text.find("tu: исключено значений T: 21 (строки 100–120)"), std::string::npos);
  EXPECT_NE(text.find("Убрать/включить телеметрию"), std::string::npos);
  EXPECT_NE(text.find("выполнен"), std::string::npos);
  // The findings are there without the check shown: the sample's radar dropout.
  EXPECT_NE(text.find("Пропуск crd"), std::string::npos);
  for (const char* page : {"Координаты", "Траектория", "Телеметрия", "Ветер", "Диаграмма"})
    EXPECT_NE(text.find(page), std::string::npos) << page;
  // Russian text embedded with its own font: pdftotext read it back above.
  EXPECT_NE(Shell("pdffonts '" + pdf + "' 2>/dev/null").find("DejaVuSans"), std::string::npos);
  // The text pages, then a page per chart; every one renders.
  const int pages = PageCount(pdf);
  EXPECT_GE(pages, 6);
  dvtest::TempDir pictures;
  ExpectEveryPageRenders(pdf, pictures.path(), pages);

  // Charts as vectors: the markers are drawn, not pasted in as a picture.
  EXPECT_EQ(bytes.find("/Subtype /Image"), std::string::npos);
}

TEST_F(ReportWindowTest, NamesTheProcessingProgramWouldTakeAreRefusedAndFailuresSaid) {
  TfmMainFrm& w = Create();
  const std::string base = CopyExample("20251014-1130");
  ASSERT_TRUE(Open(base));
  dialogs.calls.clear();
  EXPECT_EQ(Report(base + ".pdf"), "");
  ASSERT_FALSE(dialogs.calls.empty());
  EXPECT_EQ(dialogs.calls.back().text, QString::fromUtf8(dv::kTakenAsFlight) + PathToQt(base + ".pdf"));
  // A folder that is not there: the save error, and nothing else written.
  dialogs.calls.clear();
  const std::string nowhere = dir.file("missing/review.pdf");
  EXPECT_EQ(Report(nowhere), "");
  ASSERT_FALSE(dialogs.calls.empty());
  EXPECT_TRUE(dialogs.calls.back().text.startsWith(QString::fromUtf8(dv::kSaveError)));
  (void)w;
}

TEST_F(ReportWindowTest, TheCheckerWritesAReportPerFlight) {
  const std::filesystem::path out = dir.path() / "reports";
  std::filesystem::create_directories(out);
  const std::string base = CopyExample("20251014-1130");
  const std::string command = std::string(DEVIRARAV_CHECK_EXE) + " --pdf '" + out.string() + "' '" + base +
                              ".info' >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);  // the dropout is a warning, as without --pdf
  const std::string pdf = (out / "20251014-1130-report.pdf").string();
  ASSERT_TRUE(std::filesystem::exists(pdf));
  const std::string text = Squeezed(Shell("pdftotext -layout '" + pdf + "' - 2>/dev/null"));
  EXPECT_NE(text.find("Станция 27612"), std::string::npos) << text;
  EXPECT_NE(text.find("Пропуск crd"), std::string::npos);
  EXPECT_NE(text.find("у сохранённого выпуска их нет"), std::string::npos);
  EXPECT_GE(PageCount(pdf), 5);
  // Only the report in that folder: no NAME.* of its own.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(out)) ++files, (void)e;
  EXPECT_EQ(files, 1);
}

}  // namespace

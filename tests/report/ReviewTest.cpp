// The review report's content: what differs from the originals, the steps of
// the edit and the findings, and a stored flight read for it as the window would.

#include "report/Review.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "check/CheckRules.h"
#include "flight/PointFiles.h"
#include "geo/TrackExport.h"

namespace {

dv::TuPoint Tu(float time, float t, float u) {
  dv::TuPoint p;
  p.Time = time, p.T = t, p.U = u;
  return p;
}
dv::CrdPoint Crd(double time, double sr) {
  dv::CrdPoint p;
  p.Time = time, p.SR = sr, p.Az = 90, p.El = 10;
  return p;
}

dv::Flight Sample() {
  dv::Flight f;
  f.FlightBase = "/data/20251014-1130";
  f.InfoName = f.FlightBase + ".info";
  f.Info.StationSynopticIndex = 27612;
  f.Info.StationLattitude = 55.933f;
  f.Info.StationLongitude = 37.517f;
  f.Info.StationHeightAboveSeaLevel = 187;
  f.Info.OnGroundPressure = 1003.2;
  f.Info.StartYear = 2025, f.Info.StartMonth = 10, f.Info.StartDay = 14, f.Info.StartHour = 11, f.Info.StartMinute = 5;
  f.Info.RadioZondType = 90;
  f.OrgInfo = f.Info;
  for (int i = 0; i < 30; ++i) {
    const dv::TuPoint t = Tu(static_cast<float>(i), 15.0f - 0.1f * static_cast<float>(i), 80);
    const dv::CrdPoint c = Crd(i, 100.0 * i);
    f.Points.TuPoints.AddRec(&t);
    f.Points.CrdPoints.AddRec(&c);
  }
  f.Points.TuOrgPoints.Assign(f.Points.TuPoints);
  f.Points.CrdOrgPoints.Assign(f.Points.CrdPoints);
  return f;
}

std::string Text(const dv::ReviewInput& in) { return dv::FormatReviewText(dv::BuildReview(in)); }

bool Has(const std::string& text, const std::string& line) { return text.find(line) != std::string::npos; }

TEST(ReviewTest, TheFlightAndWhatDiffersFromTheOriginals) {
  dv::Flight f = Sample();
  // Edited: a field typed, the surface temperature typed, points excluded and
  // a time corrected; the original had two points more and a time failure.
  dv::InitialData edited = f.Info;
  edited.OnGroundPressure = 1010;
  for (int r : {3, 4, 5}) f.Points.TuPoints[r].TExcluded = true;
  f.Points.TuPoints[7].UExcluded = true;
  f.Points.CrdPoints[10].Excluded = true;
  f.Points.CrdPoints[12].TimeCorrected = f.Points.CrdPoints[13].TimeCorrected = true;
  for (float time : {30.0f, 31.0f}) {
    const dv::TuPoint extra = Tu(time, 12, 80);
    f.Points.TuOrgPoints.AddRec(&extra);
  }
  f.Points.CrdOrgPoints[13].Time = 11.5;  // runs backwards after 12 s
  f.Points.CrdOrgPoints[0].El = 0.5;        // the launch point's elevation was other
  dv::ReviewInput in;
  in.flight = &f;
  in.info = &edited;
  in.surface = dv::SurfaceOf(f.Points);
  in.surface.T0 = 14.25;
  in.orgInfo = in.orgTu = in.orgCrd = true;
  in.created = "09.12.2026 21:40";
  const std::string text = Text(in);

  EXPECT_TRUE(Has(text, "Отчёт о просмотре выпуска 20251014-1130\n")) << text;
  EXPECT_TRUE(Has(text, "Станция\t27612\n"));
  EXPECT_TRUE(Has(text, "Координаты станции\t55.933° ш., 37.517° д.\n"));  // floats shortest, not 55.932999
  // A station west of 99° W has coordinates too; its longitude changed is shown both ways.
  dv::InitialData west = edited;
  west.StationLongitude = -101.371f;
  dv::ReviewInput westIn = in;
  westIn.info = &west;
  const std::string westText = Text(westIn);
  EXPECT_TRUE(Has(westText, "Координаты станции\t55.933° ш., -101.371° д.\n")) << westText;
  EXPECT_TRUE(Has(westText, "Долгота станции, °\t37.517\t-101.371\n")) << westText;
  EXPECT_TRUE(Has(text, "Дата и время выпуска (местное)\t14.10.2025 11:05\n"));
  EXPECT_TRUE(Has(text, "Радиозонд\t90\n"));
  EXPECT_TRUE(Has(text, "Отчёт составлен\t09.12.2026 21:40\n"));
  EXPECT_TRUE(Has(text, "20251014-1130.tu\t30\tT: 3, U: 1\t"));
  EXPECT_TRUE(Has(text, "20251014-1130.crd\t30\t1\t"));
  EXPECT_TRUE(Has(text, "Сравнение с оригиналами 20251014-1130.org.*"));
  // The field and the surface value, each with the original beside it; the
  // fields left alone are not listed.
  EXPECT_TRUE(Has(text, "Поле\tВ оригинале\tСейчас\n"));
  EXPECT_TRUE(Has(text, "Давление у земли, гПа\t1003.2\t1010.0\n"));
  EXPECT_TRUE(Has(text, "Температура у земли, °С\t15.00\t14.25\n"));
  EXPECT_FALSE(Has(text, "Влажность у земли"));
  EXPECT_FALSE(Has(text, "Индекс станции"));
  EXPECT_TRUE(Has(text, "tu: исключено значений T: 3 (строки 3–5)\n"));
  EXPECT_TRUE(Has(text, "tu: исключено значений U: 1 (строки 7)\n"));
  EXPECT_TRUE(Has(text, "tu: в оригинале больше точек на 2: они убраны прежними сохранениями\n"));
  EXPECT_TRUE(Has(text, "crd: исключено точек: 1 (строки 10)\n"));
  EXPECT_TRUE(Has(text, "crd: исправлено время точек: 2 (строки 12–13)\n"));
  EXPECT_TRUE(Has(text, "crd: сбой времени в оригинале после 12.00 с, сейчас нет\n"));
  EXPECT_FALSE(Has(text, "tu: сбой времени"));
  EXPECT_TRUE(Has(text, "Угол места точки выпуска, °\t0.500000\t10.000000\n"));
  EXPECT_FALSE(Has(text, "Азимут точки выпуска"));
  EXPECT_FALSE(Has(text, "точки не изменены"));  // both files changed
  // Nothing recorded, nothing checked.
  EXPECT_TRUE(Has(text, "у сохранённого выпуска их нет"));
  EXPECT_TRUE(Has(text, "Проверка не выполнялась."));
}

TEST(ReviewTest, WithoutOriginalsUnchangedFilesAreSaidSo) {
  dv::Flight f = Sample();
  dv::ReviewInput in;
  in.flight = &f;
  in.surface = dv::SurfaceOf(f.Points);
  const std::vector<dv::Finding> none;
  in.findings = &none;
  const dv::EditHistory empty;
  in.history = &empty;
  const std::string text = Text(in);
  EXPECT_TRUE(Has(text, "Оригиналов нет: выпуск сравнивается с файлами, какими они были открыты."));
  EXPECT_TRUE(Has(text, "Исходные данные не изменены."));
  EXPECT_TRUE(Has(text, "tu: точки не изменены\n"));
  EXPECT_TRUE(Has(text, "crd: точки не изменены\n"));
  EXPECT_TRUE(Has(text, "20251014-1130.info\t\t\tнет\t\n"));
  EXPECT_TRUE(Has(text, "Правок после открытия не было."));
  EXPECT_TRUE(Has(text, "Находок нет."));
  EXPECT_FALSE(Has(text, "Режим"));
  // The flight's own table has no header row: it is all rows.
  const dv::ReviewReport report = dv::BuildReview(in);
  ASSERT_FALSE(report.sections.empty());
  ASSERT_FALSE(report.sections[0].blocks.empty());
  const auto& about = report.sections[0].blocks[0].table;
  ASSERT_GE(about.size(), 2u);
  EXPECT_EQ(about[0], (std::vector<std::string>{"", ""}));
  EXPECT_EQ(about[1][0], "Выпуск");

  // A flight with telemetry only: no launch point to compare, no crd changes.
  dv::Flight tuOnly = Sample();
  tuOnly.Points.CrdPoints.Clear();
  tuOnly.Points.CrdOrgPoints.Clear();
  in.flight = &tuOnly;
  in.surface = dv::SurfaceOf(tuOnly.Points);
  EXPECT_FALSE(in.surface.SR0.has_value());
  EXPECT_FALSE(dv::OriginalSurfaceOf(tuOnly.Points).El0.has_value());
  // Every launch value is point 0's, of the current or of the original arrays.
  dv::Flight sample = Sample();
  for (dv::CrdArray* a : {&sample.Points.CrdPoints, &sample.Points.CrdOrgPoints}) {
    (*a)[1].Az = (*a)[0].Az + 1;
    (*a)[1].El = (*a)[0].El + 1;
    (*a)[1].SR = (*a)[0].SR + 1;
  }
  const dv::SurfaceValues now = dv::SurfaceOf(sample.Points), org = dv::OriginalSurfaceOf(sample.Points);
  const dv::CrdPoint &c0 = sample.Points.CrdPoints[0], &o0 = sample.Points.CrdOrgPoints[0];
  EXPECT_EQ(now.SR0, c0.SR);
  EXPECT_EQ(now.Az0, c0.Az);
  EXPECT_EQ(now.El0, c0.El);
  EXPECT_EQ(now.T0, sample.Points.TuPoints[0].T);
  EXPECT_EQ(now.U0, sample.Points.TuPoints[0].U);
  EXPECT_EQ(org.SR0, o0.SR);
  EXPECT_EQ(org.Az0, o0.Az);
  EXPECT_EQ(org.El0, o0.El);
  EXPECT_EQ(org.U0, sample.Points.TuOrgPoints[0].U);
  // A telemetry file of one point still has its launch values.
  dv::Flight single = Sample();
  const dv::TuPoint t0 = single.Points.TuPoints[0];
  single.Points.TuPoints.Clear();
  single.Points.TuPoints.Add(t0);
  EXPECT_EQ(dv::SurfaceOf(single.Points).T0, t0.T);

  // An exclusion alone is a change of the file's points.
  dv::Flight excluded = Sample();
  excluded.Points.CrdPoints[5].Excluded = true;
  dv::ReviewInput withExclusion = in;
  withExclusion.flight = &excluded;
  withExclusion.surface = dv::SurfaceOf(excluded.Points);
  const std::string excludedText = Text(withExclusion);
  EXPECT_TRUE(Has(excludedText, "crd: исключено"));
  EXPECT_FALSE(Has(excludedText, "crd: точки не изменены"));
  const std::string tuText = Text(in);
  EXPECT_TRUE(Has(tuText, "Исходные данные не изменены."));
  EXPECT_TRUE(Has(tuText, "20251014-1130.crd\t0\t0\t"));
}

TEST(ReviewTest, StepsWithTheirStateAndTheFindingsThatRemain) {
  dv::Flight f = Sample();
  dv::EditHistory history;
  dv::TSelectedRange range{3, 5, 3, 5};
  history.Push(*dv::ToggleTelemetryStep(f.Points.TuPoints, range));
  range = {8, 9, 8, 9};
  history.Push(*dv::ToggleCoordinatesStep(f.Points.CrdPoints, range));
  dv::UndoStep(history.StepBack(), f.Points);  // the second undone: its points are back
  std::vector<dv::Finding> findings(1);
  findings[0].rule = dv::CheckRule::CrdGap;
  findings[0].file = dv::CheckFile::Crd;
  findings[0].firstRow = 20, findings[0].lastRow = 21;
  findings[0].firstTime = 20, findings[0].lastTime = 81;
  findings[0].value = 61, findings[0].threshold = 10;
  dv::ReviewInput in;
  in.flight = &f;
  in.history = &history;
  in.findings = &findings;
  in.viewOnly = true;
  const std::string text = Text(in);
  EXPECT_TRUE(Has(text, "№\tШаг\tСостояние\n"));
  EXPECT_TRUE(Has(text, "1\t" + dv::DescribeStep(history.Steps()[0]) + "\tвыполнен\n")) << text;
  EXPECT_TRUE(Has(text, "2\t" + dv::DescribeStep(history.Steps()[1]) + "\tотменён\n"));
  const dv::FindingColumns c = dv::ColumnsOf(findings[0]);
  EXPECT_TRUE(Has(text, c.rule + "\t" + c.rows + "\t" + c.times + "\t" + c.value + "\t" + c.threshold + "\n"));
  EXPECT_TRUE(Has(text, "Режим\tтолько просмотр"));
  // Only the step still done shows in the points.
  EXPECT_TRUE(Has(text, "tu: исключено значений T: 3 (строки 3–5)\n"));
  EXPECT_TRUE(Has(text, "crd: точки не изменены\n"));
  EXPECT_FALSE(Has(text, dv::kReportLevels));  // not derived: no section

  // The levels, and what the edits changed at the standard levels.
  std::vector<dv::Level> levels(2), original(2);
  levels[0].kind = original[0].kind = dv::LevelKind::Surface;
  levels[0].p = original[0].p = 1003.2;
  levels[1].p = original[1].p = 500;
  levels[1].H = 5574, original[1].H = 5580;
  levels[1].T = original[1].T = -21.04;
  in.levels = &levels;
  in.originalLevels = &original;
  const std::string withLevels = Text(in);
  EXPECT_TRUE(Has(withLevels, std::string(dv::kReportLevels) + "\n")) << withLevels;
  EXPECT_TRUE(Has(withLevels, "у земли\t1003.2\t\t\t\t\t\t\n"));
  EXPECT_TRUE(Has(withLevels, "500\t5580\t5574\t-21.0\t-21.0\n"));
  original[1].H = 5574;
  EXPECT_TRUE(Has(Text(in), "Правки не изменили стандартные уровни.\n"));
  levels.clear();
  EXPECT_TRUE(Has(Text(in), "Давление у земли не задано: уровни не рассчитаны.\n"));
}

TEST(ReviewTest, ManyStretchesAreCutShortAndTheNameIsNotTakenForTheFlight) {
  dv::Flight f = Sample();
  for (int r = 0; r < 30; r += 2) f.Points.CrdPoints[r].Excluded = true;
  dv::ReviewInput in;
  in.flight = &f;
  const std::string text = Text(in);
  EXPECT_TRUE(Has(text, "crd: исключено точек: 15 (строки 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22 … "
                        "(всего участков: 15))\n"))
      << text;
  EXPECT_EQ(dv::ReportFileName("/data/20251014-1130"), "/data/20251014-1130-report.pdf");
  EXPECT_FALSE(dv::WouldBeTakenAsFlight(dv::ReportFileName("/data/20251014-1130"), "/data/20251014-1130"));
}

TEST(ReviewTest, AStoredFlightIsReadWithItsOriginals) {
  dvtest::TempDir dir;
  const std::string base = dir.file("20251014-1130");
  for (const char* ext : {".info", ".tu", ".crd"})
    std::filesystem::copy_file(dvtest::ExampleFile(std::string("20251014-1130") + ext), base + ext);
  dv::StoredFlight plain;
  ASSERT_EQ(dv::LoadStoredFlight(base + ".info", plain), std::nullopt);
  EXPECT_EQ(plain.flight.FlightBase, base);
  EXPECT_EQ(plain.flight.Points.TuPoints.Count(), 7201);
  EXPECT_EQ(plain.flight.Points.TuOrgPoints.Count(), 7201);  // the working file once more
  EXPECT_FALSE(plain.orgTu || plain.orgCrd || plain.orgInfo || plain.viewOnly);
  EXPECT_EQ(plain.flight.OrgInfo.StationSynopticIndex, plain.flight.Info.StationSynopticIndex);

  // An original .tu with fewer points: the flight is for viewing only; an
  // original .info with another pressure shows as a change.
  std::string tu = dvtest::ReadAll(base + ".tu");
  tu.resize(tu.find('\n', tu.size() / 2) + 1);
  dvtest::WriteAll(base + ".org.tu", tu);
  std::string info = dvtest::ReadAll(base + ".info");
  const std::size_t at = info.find("OnGroundPressure");
  ASSERT_NE(at, std::string::npos);
  info.replace(at, info.find('\n', at) - at, "OnGroundPressure:\t990.5\r");
  dvtest::WriteAll(base + ".org.info", info);
  dv::StoredFlight withOrg;
  ASSERT_EQ(dv::LoadStoredFlight(base + ".info", withOrg), std::nullopt);
  EXPECT_TRUE(withOrg.orgTu && withOrg.orgInfo && withOrg.viewOnly);
  EXPECT_FALSE(withOrg.orgCrd);
  EXPECT_LT(withOrg.flight.Points.TuOrgPoints.Count(), 7201);
  EXPECT_DOUBLE_EQ(withOrg.flight.OrgInfo.OnGroundPressure, 990.5);
  dvtest::MakeReadOnly(base + ".org.tu");
  dv::ReviewInput in;
  in.flight = &withOrg.flight;
  in.orgInfo = in.orgTu = true;
  const std::string text = Text(in);
  EXPECT_TRUE(Has(text, "Давление у земли, гПа\t990.5\t"));
  EXPECT_TRUE(Has(text, "\t20251014-1130.org.tu (только чтение)\t" +
                            std::to_string(withOrg.flight.Points.TuOrgPoints.Count()) + "\n"))
      << text;
  EXPECT_TRUE(Has(text, "\t20251014-1130.org.info\t\n"));  // there, and writable
  EXPECT_TRUE(Has(text, "20251014-1130.crd\t7201\t"));
  EXPECT_TRUE(Has(text, "\tнет\t\n"));  // no .org.crd

  // What cannot be read is said, in the reader's words.
  dv::StoredFlight missing;
  EXPECT_NE(dv::LoadStoredFlight(dir.file("nothing.info"), missing), std::nullopt);
  dvtest::WriteAll(base + ".crd", "1 2 3 x\r\n");
  dv::StoredFlight broken;
  const auto error = dv::LoadStoredFlight(base + ".info", broken);
  ASSERT_NE(error, std::nullopt);
  EXPECT_TRUE(Has(*error, "Invalid numeric input")) << *error;
}

}  // namespace

namespace {

TEST(ReviewTest, ABrokenFileGivesACountPerRuleAndTheFirstFindingsOnly) {
  dv::Flight f = Sample();
  std::vector<dv::Finding> findings(dv::kReportFindingsShown + 100);
  for (std::size_t k = 0; k < findings.size(); ++k) {
    findings[k].rule = k % 4 == 0 ? dv::CheckRule::TSpike : dv::CheckRule::TuRepeat;
    findings[k].firstRow = findings[k].lastRow = static_cast<int>(k);
  }
  dv::ReviewInput in;
  in.flight = &f;
  in.findings = &findings;
  const dv::ReviewReport report = dv::BuildReview(in);
  const std::string text = dv::FormatReviewText(report);
  const std::string tSpike = dv::InfoOf(dv::CheckRule::TSpike).name, repeat = dv::InfoOf(dv::CheckRule::TuRepeat).name;
  EXPECT_TRUE(Has(text, "Правило\tНаходок\n" + tSpike + "\t100\n" + repeat + "\t300\n")) << text;
  EXPECT_TRUE(Has(text, "Показаны первые 300 находок из 400; все перечисляет devirarav-check --details.\n"));
  const dv::ReportSection& section = report.sections.back();
  ASSERT_EQ(section.title, dv::kReportFindings);
  ASSERT_GE(section.blocks.size(), 2u);
  EXPECT_EQ(section.blocks[1].table.size(), dv::kReportFindingsShown + 1);  // the header and 300 rows
  EXPECT_EQ(section.blocks[1].table.back()[1], dv::ColumnsOf(findings[dv::kReportFindingsShown - 1]).rows);
}

}  // namespace

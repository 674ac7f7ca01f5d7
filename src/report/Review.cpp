#include "report/Review.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/FileIO.h"
#include "common/Helpers.h"
#include "flight/PointFiles.h"
#include "geo/Geodesy.h"
#include "geo/TrackExport.h"
#include "open/Checks.h"
#include "open/FlightLoad.h"

namespace dv {

namespace {

bool Known(double v) { return v >= -99.0; }

std::string Number(double v, int decimals) { return Known(v) ? FormatFixed(v, 0, decimals) : "не задано"; }
std::string Number(const std::optional<double>& v, int decimals) {
  return v ? Number(*v, decimals) : "нет";
}

// The station's values are single precision: the shortest text that reads back
// as the same float, "55.933" rather than "55.932999".
std::string Single(float v, bool known) {
  if (!known) return "не задано";
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v).ptr;
  return std::string(text, end);
}

std::string Single(float v) { return Single(v, Known(v)); }

std::string TwoDigits(int v) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", v);
  return text;
}

std::string StartText(const InitialData& info) {
  return TwoDigits(info.StartDay) + "." + TwoDigits(info.StartMonth) + "." + std::to_string(info.StartYear) + " " +
         TwoDigits(info.StartHour) + ":" + TwoDigits(info.StartMinute);
}

// A field of the initial data as the report shows it, by its edit field's name.
struct FieldShown {
  const char* field;
  const char* caption;
  std::string (*text)(const InitialData&);
};

const std::vector<FieldShown>& InfoFieldsShown() {
  static const std::vector<FieldShown> fields = {
      {"edtStation", "Индекс станции", [](const InitialData& i) { return std::to_string(i.StationSynopticIndex); }},
      {"edtLat", "Широта станции, °",
       [](const InitialData& i) { return Single(i.StationLattitude, KnownLatitude(i.StationLattitude)); }},
      {"edtLong", "Долгота станции, °",
       [](const InitialData& i) { return Single(i.StationLongitude, KnownLongitude(i.StationLongitude)); }},
      {"edtH0", "Высота станции, м", [](const InitialData& i) { return Single(i.StationHeightAboveSeaLevel); }},
      {"edtP0", "Давление у земли, гПа", [](const InitialData& i) { return Number(i.OnGroundPressure, 1); }},
      {"edtD0", "Направление ветра у земли, °", [](const InitialData& i) { return Number(i.OnGroundWindDirection, 0); }},
      {"edtV0", "Скорость ветра у земли, м/с", [](const InitialData& i) { return Number(i.OnGroundWindVelocity, 1); }},
      {"edtClouds", "Облачность", [](const InitialData& i) { return i.NebulosityCode; }},
      {"edtRaRa", "Радиозонд", [](const InitialData& i) { return TwoDigits(i.RadioZondType); }},
      {"edtDt0", "Поправка температуры dT, °С", [](const InitialData& i) { return Number(i.OnGroundTemperatureError, 2); }},
      {"edtDu0", "Поправка влажности dU, %", [](const InitialData& i) { return Number(i.OnGroundHumidityError, 2); }},
      {"edtYear", "Год выпуска", [](const InitialData& i) { return std::to_string(i.StartYear); }},
      {"edtMonth", "Месяц выпуска", [](const InitialData& i) { return std::to_string(i.StartMonth); }},
      {"edtDay", "День выпуска", [](const InitialData& i) { return std::to_string(i.StartDay); }},
      {"edtHour", "Часы выпуска", [](const InitialData& i) { return std::to_string(i.StartHour); }},
      {"edtMin", "Минуты выпуска", [](const InitialData& i) { return std::to_string(i.StartMinute); }},
  };
  return fields;
}

// Rows as runs "10–12, 40", at most `limit` runs shown.
std::string RunsText(const std::vector<int>& rows, std::size_t limit = 12) {
  std::string out;
  std::size_t runs = 0;
  for (std::size_t i = 0; i < rows.size();) {
    std::size_t j = i;
    while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
    if (runs < limit) {
      if (!out.empty()) out += ", ";
      out += std::to_string(rows[i]);
      if (j > i) out += "–" + std::to_string(rows[j]);
    }
    ++runs;
    i = j + 1;
  }
  if (runs > limit) out += " … (всего участков: " + std::to_string(runs) + ")";
  return out;
}

template <typename Array, typename Pred>
std::vector<int> RowsWhere(const Array& points, Pred pred) {
  std::vector<int> rows;
  for (int i = 0; i < points.Count(); ++i)
    if (pred(points[i])) rows.push_back(i);
  return rows;
}

std::string FileName(const std::string& path) { return ExtractFileName(path); }

std::string OriginalText(const std::string& path, bool read) {
  if (!read || !FileExists(path)) return "нет";
  return FileName(path) + (IsWritable(path) ? "" : " (только чтение)");
}

ReportSection FlightSection(const ReviewInput& in) {
  const Flight& f = *in.flight;
  const InitialData& info = in.info ? *in.info : f.Info;
  ReportSection s{kReportFlight, {}};
  ReportBlock about;
  about.table.push_back({"", ""});
  about.table.push_back({"Выпуск", FileName(f.FlightBase)});
  about.table.push_back({"Папка", ExtractFilePath(f.FlightBase)});
  about.table.push_back({"Станция", std::to_string(info.StationSynopticIndex)});
  about.table.push_back({"Координаты станции",
                         StationKnown(info)
                             ? Single(info.StationLattitude, true) + "° ш., " + Single(info.StationLongitude, true) + "° д."
                             : "не заданы"});
  about.table.push_back({"Высота станции, м", Single(info.StationHeightAboveSeaLevel)});
  about.table.push_back({"Дата и время выпуска (местное)", StartText(info)});
  about.table.push_back({"Радиозонд", TwoDigits(info.RadioZondType)});
  if (in.viewOnly) about.table.push_back({"Режим", "только просмотр: в оригинале меньше точек, чем в рабочем файле"});
  if (!in.created.empty()) about.table.push_back({"Отчёт составлен", in.created});
  s.blocks.push_back(std::move(about));

  ReportBlock files;
  files.table.push_back({"Файл", "Точек", "Исключено", "Оригинал", "Точек в оригинале"});
  const std::string infoName = f.InfoName.empty() ? f.FlightBase + ".info" : f.InfoName;
  files.table.push_back({FileName(infoName), "", "", OriginalText(f.FlightBase + ".org.info", in.orgInfo), ""});
  const FlightPoints& p = f.Points;
  const auto tuT = RowsWhere(p.TuPoints, [](const TuPoint& t) { return t.TExcluded; }).size();
  const auto tuU = RowsWhere(p.TuPoints, [](const TuPoint& t) { return t.UExcluded; }).size();
  files.table.push_back({FileName(f.FlightBase + ".tu"), std::to_string(p.TuPoints.Count()),
                         "T: " + std::to_string(tuT) + ", U: " + std::to_string(tuU),
                         OriginalText(f.FlightBase + ".org.tu", in.orgTu),
                         in.orgTu ? std::to_string(p.TuOrgPoints.Count()) : ""});
  const auto crdX = RowsWhere(p.CrdPoints, [](const CrdPoint& c) { return c.Excluded; }).size();
  files.table.push_back({FileName(f.FlightBase + ".crd"), std::to_string(p.CrdPoints.Count()), std::to_string(crdX),
                         OriginalText(f.FlightBase + ".org.crd", in.orgCrd),
                         in.orgCrd ? std::to_string(p.CrdOrgPoints.Count()) : ""});
  s.blocks.push_back(std::move(files));
  return s;
}

void Paragraph(ReportSection& s, std::string text) { s.blocks.push_back({std::move(text), {}}); }

// The points of one file: what is excluded, what is gone since the original,
// which times were corrected, and whether the time still runs backwards.
template <typename Array>
void PointChanges(ReportSection& s, const char* file, const Array& now, const Array& org, bool hasOrg,
                  std::vector<std::pair<std::string, std::vector<int>>> excluded) {
  bool any = false;
  for (auto& [what, rows] : excluded) {
    if (rows.empty()) continue;
    Paragraph(s, std::string(file) + ": исключено " + what + ": " + std::to_string(rows.size()) + " (строки " +
                     RunsText(rows) + ")");
    any = true;
  }
  if (hasOrg && org.Count() > now.Count()) {
    Paragraph(s, std::string(file) + ": в оригинале больше точек на " + std::to_string(org.Count() - now.Count()) +
                     ": они убраны прежними сохранениями");
    any = true;
  }
  const auto corrected = RowsWhere(now, [](const auto& pt) { return pt.TimeCorrected; });
  if (!corrected.empty()) {
    Paragraph(s, std::string(file) + ": исправлено время точек: " + std::to_string(corrected.size()) + " (строки " +
                     RunsText(corrected) + ")");
    any = true;
  }
  const auto failNow = FirstTimeFailure(now);
  const auto failOrg = hasOrg ? FirstTimeFailure(org) : std::nullopt;
  if (failNow || failOrg) {
    std::string text = std::string(file) + ": сбой времени";
    if (hasOrg) text += failOrg ? " в оригинале после " + FormatFixed(*failOrg, 0, 2) + " с" : " в оригинале нет";
    text += failNow ? ", сейчас после " + FormatFixed(*failNow, 0, 2) + " с" : ", сейчас нет";
    Paragraph(s, text);
    any = true;
  }
  if (!any) Paragraph(s, std::string(file) + ": точки не изменены");
}

ReportSection ChangesSection(const ReviewInput& in) {
  const Flight& f = *in.flight;
  ReportSection s{kReportChanges, {}};
  if (in.orgInfo || in.orgTu || in.orgCrd)
    Paragraph(s, "Сравнение с оригиналами " + FileName(f.FlightBase) + ".org.*; без оригинала файл сравнивается с "
                 "собой, каким он был открыт.");
  else
    Paragraph(s, "Оригиналов нет: выпуск сравнивается с файлами, какими они были открыты.");

  ReportBlock fields;
  fields.table.push_back({"Поле", "В оригинале", "Сейчас"});
  const InitialData& info = in.info ? *in.info : f.Info;
  const auto changed = ChangedInfoFields(info, f.OrgInfo);
  for (const FieldShown& shown : InfoFieldsShown())
    for (const std::string& name : changed)
      if (name == shown.field) fields.table.push_back({shown.caption, shown.text(f.OrgInfo), shown.text(info)});
  // Point 0 of each file carries the surface and launch values.
  const SurfaceValues org = OriginalSurfaceOf(f.Points);
  const auto point0 = [&](const char* caption, const std::optional<double>& was, const std::optional<double>& now,
                          int decimals) {
    if (Number(was, decimals) != Number(now, decimals))
      fields.table.push_back({caption, Number(was, decimals), Number(now, decimals)});
  };
  point0("Температура у земли, °С", org.T0, in.surface.T0, 2);
  point0("Влажность у земли, %", org.U0, in.surface.U0, 2);
  point0("Дальность точки выпуска, м", org.SR0, in.surface.SR0, 2);
  point0("Азимут точки выпуска, °", org.Az0, in.surface.Az0, 6);
  point0("Угол места точки выпуска, °", org.El0, in.surface.El0, 6);
  if (fields.table.size() > 1) {
    Paragraph(s, "Исходные данные:");
    s.blocks.push_back(std::move(fields));
  } else {
    Paragraph(s, "Исходные данные не изменены.");
  }

  const FlightPoints& p = f.Points;
  PointChanges(s, "tu", p.TuPoints, p.TuOrgPoints, in.orgTu,
               {{"значений T", RowsWhere(p.TuPoints, [](const TuPoint& t) { return t.TExcluded; })},
                {"значений U", RowsWhere(p.TuPoints, [](const TuPoint& t) { return t.UExcluded; })}});
  PointChanges(s, "crd", p.CrdPoints, p.CrdOrgPoints, in.orgCrd,
               {{"точек", RowsWhere(p.CrdPoints, [](const CrdPoint& c) { return c.Excluded; })}});
  return s;
}

ReportSection HistorySection(const ReviewInput& in) {
  ReportSection s{kReportHistory, {}};
  if (!in.history) {
    Paragraph(s, "Шаги правки хранятся только в окне программы, пока выпуск открыт: у сохранённого выпуска их нет.");
    return s;
  }
  const auto& steps = in.history->Steps();
  if (steps.empty()) {
    Paragraph(s, "Правок после открытия не было.");
    return s;
  }
  ReportBlock table;
  table.table.push_back({"№", "Шаг", "Состояние"});
  for (std::size_t k = 0; k < steps.size(); ++k)
    table.table.push_back({std::to_string(k + 1), DescribeStep(steps[k]),
                           k < in.history->Position() ? "выполнен" : "отменён"});
  s.blocks.push_back(std::move(table));
  return s;
}

ReportSection FindingsSection(const ReviewInput& in) {
  ReportSection s{kReportFindings, {}};
  if (!in.findings) {
    Paragraph(s, "Проверка не выполнялась.");
    return s;
  }
  if (in.findings->empty()) {
    Paragraph(s, "Находок нет.");
    return s;
  }
  // How many of each rule, then the findings themselves, as many as a
  // reader goes through: a broken file can give hundreds of thousands.
  std::vector<std::size_t> perRule(kRuleCount, 0);
  for (const Finding& finding : *in.findings) ++perRule[static_cast<std::size_t>(finding.rule)];
  ReportBlock summary;
  summary.table.push_back({"Правило", "Находок"});
  for (int r = 0; r < kRuleCount; ++r)
    if (perRule[static_cast<std::size_t>(r)] > 0)
      summary.table.push_back({InfoOf(static_cast<CheckRule>(r)).name, std::to_string(perRule[static_cast<std::size_t>(r)])});
  s.blocks.push_back(std::move(summary));
  ReportBlock table;
  table.table.push_back({"Правило", "Строки", "Время, с", "Значение", "Порог"});
  const std::size_t shown = std::min(in.findings->size(), kReportFindingsShown);
  for (std::size_t k = 0; k < shown; ++k) {
    const FindingColumns c = ColumnsOf((*in.findings)[k]);
    table.table.push_back({c.rule, c.rows, c.times, c.value, c.threshold});
  }
  s.blocks.push_back(std::move(table));
  if (shown < in.findings->size())
    Paragraph(s, "Показаны первые " + std::to_string(shown) + " находок из " + std::to_string(in.findings->size()) +
                     "; все перечисляет devirarav-check --details.");
  return s;
}

std::string LevelNumber(double v, int decimals) { return std::isfinite(v) ? FormatFixed(v, 0, decimals) : ""; }

const char* LevelCaption(LevelKind kind) {
  switch (kind) {
    case LevelKind::Surface: return "у земли";
    case LevelKind::Standard: return "стандартный";
    case LevelKind::Tropopause: return "тропопауза";
    case LevelKind::MaxWind: return "макс. ветер";
  }
  return "";
}

// The levels as the window's page shows them, then what the edits changed at
// the standard levels against the originals.
ReportSection LevelsSection(const ReviewInput& in) {
  ReportSection s{kReportLevels, {}};
  const std::vector<Level>& levels = *in.levels;
  if (levels.empty()) {
    Paragraph(s, "Давление у земли не задано: уровни не рассчитаны.");
    return s;
  }
  Paragraph(s, "Давление рассчитано по высоте от давления у земли; точные значения дает программа обработки.");
  ReportBlock table;
  table.table.push_back({"Уровень", "p, гПа", "H, гпм", "T, °C", "Td, °C", "U, %", "Напр., °", "Скор., м/с"});
  for (const Level& l : levels)
    table.table.push_back({LevelCaption(l.kind), LevelNumber(l.p, 1), LevelNumber(l.H, 0), LevelNumber(l.T, 1),
                           LevelNumber(l.Td, 1), LevelNumber(l.U, 0), LevelNumber(l.direction, 0),
                           LevelNumber(l.speed, 1)});
  s.blocks.push_back(std::move(table));
  if (!in.originalLevels) return s;
  ReportBlock changes;
  changes.table.push_back({"p, гПа", "H, гпм: было", "стало", "T, °C: было", "стало"});
  for (const Level& l : levels) {
    if (l.kind != LevelKind::Standard) continue;
    for (const Level& o : *in.originalLevels) {
      if (o.kind != LevelKind::Standard || o.p != l.p) continue;
      if (LevelNumber(o.H, 0) == LevelNumber(l.H, 0) && LevelNumber(o.T, 1) == LevelNumber(l.T, 1)) continue;
      changes.table.push_back({LevelNumber(l.p, 0), LevelNumber(o.H, 0), LevelNumber(l.H, 0), LevelNumber(o.T, 1),
                               LevelNumber(l.T, 1)});
    }
  }
  if (changes.table.size() > 1) {
    Paragraph(s, "Правки изменили стандартные уровни:");
    s.blocks.push_back(std::move(changes));
  } else {
    Paragraph(s, "Правки не изменили стандартные уровни.");
  }
  return s;
}

}  // namespace

namespace {
SurfaceValues Point0(const TuArray& tu, const CrdArray& crd) {
  SurfaceValues v;
  if (tu.Count() > 0) v.T0 = tu[0].T, v.U0 = tu[0].U;
  if (crd.Count() > 0) v.SR0 = crd[0].SR, v.Az0 = crd[0].Az, v.El0 = crd[0].El;
  return v;
}
}  // namespace

SurfaceValues SurfaceOf(const FlightPoints& points) { return Point0(points.TuPoints, points.CrdPoints); }
SurfaceValues OriginalSurfaceOf(const FlightPoints& points) { return Point0(points.TuOrgPoints, points.CrdOrgPoints); }

ReviewReport BuildReview(const ReviewInput& in) {
  ReviewReport report;
  report.title = kReportTitle + FileName(in.flight->FlightBase);
  report.sections.push_back(FlightSection(in));
  report.sections.push_back(ChangesSection(in));
  report.sections.push_back(HistorySection(in));
  report.sections.push_back(FindingsSection(in));
  if (in.levels) report.sections.push_back(LevelsSection(in));
  return report;
}

std::optional<std::string> LoadStoredFlight(const std::string& infoPath, StoredFlight& out) {
  const FlightLoad load = LoadFlightFiles(infoPath, out.flight);
  if (!load.info.regular) return infoPath + " не найден";
  if (!load.info.read) return load.infoRead.messages.empty() ? std::string(kInfoFileError) : load.infoRead.messages.back();
  if (load.orgInfo.failed()) return std::string(kInfoFileError);
  for (const FileState* file : {&load.tu, &load.crd, &load.orgCrd, &load.orgTu})
    if (file->failed()) return file->error;
  out.orgInfo = load.orgInfo.read;
  out.orgTu = load.orgTu.read;
  out.orgCrd = load.orgCrd.read;
  out.viewOnly = load.viewOnly();
  return std::nullopt;
}

std::string FormatReviewText(const ReviewReport& report) {
  std::string out = report.title + "\n";
  for (const ReportSection& s : report.sections) {
    out += "\n" + s.title + "\n";
    for (const ReportBlock& b : s.blocks) {
      if (b.table.empty()) {
        out += b.text + "\n";
        continue;
      }
      for (const auto& row : b.table) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) line += (c ? "\t" : "") + row[c];
        if (line.find_first_not_of('\t') != std::string::npos) out += line + "\n";
      }
    }
  }
  return out;
}

std::string ReportFileName(const std::string& flightBase) { return flightBase + "-report.pdf"; }

}  // namespace dv

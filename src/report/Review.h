#pragma once
// What a station keeps of a flight's review: the flight, what differs from the
// delivered files, the steps of the edit, and the findings that remain. Built
// as text here; the window and devirarav-check lay it out as a PDF.

#include <optional>
#include <string>
#include <vector>

#include "check/CheckRules.h"
#include "flight/Flight.h"
#include "history/EditHistory.h"
#include "thermo/Profile.h"

namespace dv {

// A paragraph, or a table whose first row is its header.
struct ReportBlock {
  std::string text;
  std::vector<std::vector<std::string>> table;
};

struct ReportSection {
  std::string title;
  std::vector<ReportBlock> blocks;
};

struct ReviewReport {
  std::string title;
  std::vector<ReportSection> sections;
};

// Point 0 of each file as the observer sees it: the window passes its edit
// fields, which the files take only when saved.
struct SurfaceValues {
  std::optional<double> T0, U0, SR0, Az0, El0;
};
SurfaceValues SurfaceOf(const FlightPoints& points);
SurfaceValues OriginalSurfaceOf(const FlightPoints& points);

struct ReviewInput {
  const Flight* flight = nullptr;      // OrgInfo, the four arrays and the names
  const InitialData* info = nullptr;   // as edited; none: the flight's Info
  SurfaceValues surface;           // as edited
  // Whether NAME.org.* were read; without them the arrays' originals are the
  // files as opened.
  bool orgInfo = false, orgTu = false, orgCrd = false;
  bool viewOnly = false;
  const EditHistory* history = nullptr;          // none: not recorded (a stored flight)
  const std::vector<Finding>* findings = nullptr;  // none: not checked
  // The levels of the edited points and, when the flight has originals, of them.
  const std::vector<Level>* levels = nullptr;          // none: not derived
  const std::vector<Level>* originalLevels = nullptr;
  std::string created;                            // when the report was made, as shown
};

ReviewReport BuildReview(const ReviewInput& input);

// A stored flight as the window opens it, for a report without the window:
// the originals where NAME.org.* exist, else the working files once more.
struct StoredFlight {
  Flight flight;
  bool orgInfo = false, orgTu = false, orgCrd = false;
  bool viewOnly = false;  // an original holds fewer points than its working file
};
// The reader's message when the flight cannot be read, else nothing.
std::optional<std::string> LoadStoredFlight(const std::string& infoPath, StoredFlight& out);

// The report as plain text, a line per paragraph and table row (cells by tabs).
std::string FormatReviewText(const ReviewReport& report);

// "NAME-report.pdf" beside the flight, never "NAME." followed by anything.
std::string ReportFileName(const std::string& flightBase);

// The findings listed one by one; the rest are counted by rule.
inline constexpr std::size_t kReportFindingsShown = 300;

// The section titles, which the layout and the tests look for.
inline constexpr const char* kReportTitle = "Отчёт о просмотре выпуска ";
inline constexpr const char* kReportFlight = "Выпуск";
inline constexpr const char* kReportChanges = "Отличия от оригиналов";
inline constexpr const char* kReportHistory = "Шаги правки";
inline constexpr const char* kReportFindings = "Находки проверки";
inline constexpr const char* kReportCharts = "Графики";
inline constexpr const char* kReportLevels = "Уровни (оценка для проверки)";

}  // namespace dv

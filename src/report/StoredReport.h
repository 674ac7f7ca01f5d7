#pragma once
// The review report of a stored flight, made without the window (for
// devirarav-check). Plain C++ on the outside; Qt draws it inside.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "check/CheckRules.h"
#include "wind/Wind.h"

namespace dv {

// What the reports draw with (an application off the screen, since the charts
// are widgets); one lives while the reports are written.
class ReportSession {
 public:
  ReportSession();
  ~ReportSession();
  ReportSession(const ReportSession&) = delete;
  ReportSession& operator=(const ReportSession&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Writes the report of the flight `infoPath` to `outFile` through the
// crash-safe writer; the reason when it could not. Needs a ReportSession (or
// the window's application).
std::optional<std::string> WriteStoredFlightReport(const std::string& infoPath, const std::string& outFile,
                                                   const std::vector<Finding>& findings,
                                                   const WindSettings& wind);

}  // namespace dv

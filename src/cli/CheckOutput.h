#pragma once
// How devirarav-check writes its reports: text, CSV or JSON, a line (or an
// object) per flight, the findings too with details.

#include <string>
#include <vector>

#include "check/FlightCheck.h"

namespace dv {

enum class OutputFormat { Text, Csv, Json };

std::string FormatReports(const std::vector<FlightReport>& reports, OutputFormat format, bool details);

// 0 when every flight is ok, 1 with a warning, 2 with an error.
int ExitStatus(const std::vector<FlightReport>& reports);

}  // namespace dv

// How well the suspect-point rules find faults put into a clean flight:
//   build/tools/devirarav_check_score examples/20251014-1130 [VARIANTS]
// One line per rule: faults put in over VARIANTS seeded copies (50 unless
// given), how many a finding of that rule covered, and the rule's findings on
// the clean flight itself; then the harder forms of some faults (saturation,
// ±99, next to a dropout, far out), each also counted under its rule.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FaultInjection.h"
#include "open/FlightLoad.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FLIGHT_BASE [VARIANTS]\n", argv[0]);
    return 2;
  }
  const std::string base = argv[1];
  const int variants = argc > 2 ? std::atoi(argv[2]) : 50;
  dv::Flight flight;
  const dv::FlightLoad load = dv::LoadFlightFiles(base + ".info", flight);
  for (const dv::FileState* file : {&load.info, &load.tu, &load.crd}) {
    if (file->read) continue;
    std::fprintf(stderr, "%s\n", file->error.empty() ? (file->path + ": не прочитан").c_str() : file->error.c_str());
    return 2;
  }
  const dv::TuArray& tu = flight.Points.TuPoints;
  const dv::CrdArray& crd = flight.Points.CrdPoints;
  const dvtools::DetectionScore score = dvtools::ScoreRules(tu, crd, variants, {}, &flight.Info);
  std::printf("%-24s %8s %6s %7s %6s %10s\n", "rule", "injected", "found", "share", "clean", "per 2000");
  int injected = 0, found = 0, clean = 0;
  for (int r = 0; r < dv::kRuleCount; ++r) {
    const dvtools::RuleScore& s = score.rules[static_cast<std::size_t>(r)];
    injected += s.injected;
    found += s.found;
    clean += s.cleanFindings;
    // The names are UTF-8: pad by characters, not bytes.
    const std::string name = dv::InfoOf(static_cast<dv::CheckRule>(r)).name;
    int chars = 0;
    for (unsigned char c : name) chars += (c & 0xC0) != 0x80;
    std::printf("%s%*s %8d %6d %6.1f%% %6d %10.2f\n", name.c_str(), 24 - chars, "", s.injected, s.found,
                s.injected ? 100.0 * s.found / s.injected : 0.0, s.cleanFindings,
                2000.0 * s.cleanFindings / score.cleanPoints);
  }
  for (const dvtools::KindScore& k : score.kinds) {
    int chars = 0;
    for (unsigned char c : k.kind) chars += (c & 0xC0) != 0x80;
    std::printf("  %s%*s %8d %6d %6.1f%%\n", k.kind.c_str(), std::max(0, 28 - chars), "", k.injected, k.found,
                k.injected ? 100.0 * k.found / k.injected : 0.0);
  }
  std::printf("%-24s %8d %6d %6.1f%% %6d %10.2f\n", "all", injected, found, 100.0 * found / injected, clean,
              2000.0 * clean / score.cleanPoints);
  return 0;
}

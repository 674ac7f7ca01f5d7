#pragma once
// Faults of every kind the suspect-point rules look for, put into a copy of a
// clean flight at seeded places, and the score of the rules on them.

#include <cstdint>
#include <string>
#include <vector>

#include "check/CheckRules.h"
#include "flight/InfoFile.h"
#include "flight/Points.h"

namespace dvtools {

struct InjectedFault {
  dv::CheckRule rule;  // the rule meant to find it
  int firstRow;        // rows of the faulted arrays
  int lastRow;
  const char* kind = nullptr;  // a fault of the rule's in a harder form; nothing for the plain one
};

// One fault of each kind, each in a stretch of its own between 200 s and the
// end, away from the clean flight's own radar dropout (4150-4350 s). Besides one
// of each rule: humidity held at saturation, a temperature of exactly ±99, a
// range spike just after a radar dropout and an elevation spike at long range.
// The clean arrays must hold a 1-s flight of at least 7,000 records.
std::vector<InjectedFault> InjectFaults(dv::TuArray& tu, dv::CrdArray& crd, std::uint32_t seed);

// The physics rules' faults, one of each, in a copy of their own: a dead dry
// humidity sensor, a warm or cold blob, a warm layer starting from one record to
// the next, and a range drift that bends the wind.
std::vector<InjectedFault> InjectPhysicsFaults(dv::TuArray& tu, dv::CrdArray& crd, std::uint32_t seed);
bool IsPhysicsRule(dv::CheckRule rule);

// Whether a finding of the fault's rule, in its file, overlaps its rows (with
// the slack the rule's own window gives).
bool IsFound(const InjectedFault& fault, const std::vector<dv::Finding>& findings);

struct RuleScore {
  int injected = 0;
  int found = 0;
  int cleanFindings = 0;  // on the clean flight
};
struct KindScore {
  std::string kind;
  int injected = 0;
  int found = 0;
};
struct DetectionScore {
  std::vector<RuleScore> rules = std::vector<RuleScore>(dv::kRuleCount);
  std::vector<KindScore> kinds;  // the harder forms, each counted in its rule's score too
  int cleanPoints = 0;  // telemetry and coordinate points of the clean flight
};
// The rules on `variants` faulted copies (seeds 1..variants) and on the clean
// flight; with `info` the physics rules as well, on copies with their faults.
DetectionScore ScoreRules(const dv::TuArray& tu, const dv::CrdArray& crd, int variants,
                          const dv::CheckThresholds& limits = {}, const dv::InitialData* info = nullptr);

}  // namespace dvtools

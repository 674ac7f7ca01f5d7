// The rules against faults put into the clean sample flight at seeded places.

#include <gtest/gtest.h>

#include <algorithm>

#include "FaultInjection.h"
#include "check/PhysicsRules.h"
#include "check/RemoveFound.h"
#include "flight/PointFiles.h"

namespace {

struct Sample {
  dv::TuArray tu{7201};
  dv::CrdArray crd{7201};
  dv::InitialData info;
  Sample() {
    const std::string base = std::string(DEVIRARAV_EXAMPLES) + "/20251014-1130";
    dv::ReadTu(base + ".tu", tu);
    dv::ReadCrd(base + ".crd", crd);
    dv::ReadInfo(base + ".info", true, info);
  }
};

TEST(DetectionTest, FiftyFaultedCopiesFoundAndTheCleanFlightLeftAlmostAlone) {
  const Sample s;
  // The physics rules too, on copies with their own faults.
  const dvtools::DetectionScore score = dvtools::ScoreRules(s.tu, s.crd, 50, {}, &s.info);
  int clean = 0;
  for (int r = 0; r < dv::kRuleCount; ++r) {
    const dvtools::RuleScore& rule = score.rules[static_cast<std::size_t>(r)];
    const char* name = dv::InfoOf(static_cast<dv::CheckRule>(r)).name;
    const auto id = static_cast<dv::CheckRule>(r);
    // Time failures are not put in: a time running back is found by a comparison.
    if (id == dv::CheckRule::TuTimeFailure || id == dv::CheckRule::CrdTimeFailure) continue;
    // One fault of every kind in every copy; the harder forms count under their rule too.
    EXPECT_GE(rule.injected, 50) << name;
    EXPECT_GE(rule.found * 100, rule.injected * 95) << name;
    clean += rule.cleanFindings;
  }
  // At most one finding per 2,000 points of the clean flight; its one finding
  // is the real radar dropout.
  EXPECT_LE(clean * 2000, score.cleanPoints);
  EXPECT_EQ(score.rules[static_cast<int>(dv::CheckRule::CrdGap)].cleanFindings, 1);
  // The sample's own surface layer, inversions, tropopause and jet are no physics finding.
  for (auto rule : {dv::CheckRule::Superadiabatic, dv::CheckRule::SharpInversion, dv::CheckRule::Supersaturation,
                    dv::CheckRule::WindShear})
    EXPECT_EQ(score.rules[static_cast<int>(rule)].cleanFindings, 0) << dv::InfoOf(rule).name;
  // Each harder form of a fault is found on its own too.
  ASSERT_EQ(score.kinds.size(), 4u);
  for (const dvtools::KindScore& k : score.kinds) {
    EXPECT_EQ(k.injected, 50) << k.kind;
    EXPECT_GE(k.found * 100, k.injected * 95) << k.kind;
  }
}

// What the observer takes out is no new fault: after "Убрать найденное" on
// every finding, what remains was found before (a gap or a clock), and nothing
// new appears where the points were.
TEST(DetectionTest, TakingOutWhatWasFoundFindsNothingNew) {
  const Sample s;
  for (bool physics : {false, true}) {
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
      dv::FlightPoints points;
      points.TuPoints.Assign(s.tu);
      points.CrdPoints.Assign(s.crd);
      if (physics) dvtools::InjectPhysicsFaults(points.TuPoints, points.CrdPoints, seed);
      else dvtools::InjectFaults(points.TuPoints, points.CrdPoints, seed);
      // (A classic fault's step taken out leaves its plateau, which the physics
      // rules then see as a layer of its own: those are checked on their faults.)
      const auto check = [&] {
        return physics ? dv::RunAllChecks(points.TuPoints, points.CrdPoints, s.info, {}) : dv::RunChecks(points, {});
      };
      const auto before = check();
      ASSERT_TRUE(dv::RemoveFoundStep(points, before)) << seed;
      for (const dv::Finding& f : check()) {
        const bool seen = std::any_of(before.begin(), before.end(), [&](const dv::Finding& b) {
          return b.rule == f.rule && b.file == f.file && b.firstRow == f.firstRow && b.lastRow == f.lastRow;
        });
        EXPECT_TRUE(seen) << "seed " << seed << " physics " << physics << ": " << dv::InfoOf(f.rule).name << " "
                          << f.firstRow << "-" << f.lastRow;
        EXPECT_TRUE(dv::RemovableRows(f).empty()) << "seed " << seed << ": " << dv::InfoOf(f.rule).name;
      }
    }
  }
}

TEST(DetectionTest, InjectionIsSeededAndEveryFaultIsWhereItSays) {
  const Sample s;
  dv::TuArray t1(1), t2(1);
  dv::CrdArray c1(1), c2(1);
  t1.Assign(s.tu), t2.Assign(s.tu), c1.Assign(s.crd), c2.Assign(s.crd);
  const auto a = dvtools::InjectFaults(t1, c1, 7);
  const auto b = dvtools::InjectFaults(t2, c2, 7);
  // Every rule's fault but the time failures (the clock's among them) and the
  // physics rules' (a copy of their own), the four harder forms, and the dropout
  // one of them brings.
  ASSERT_EQ(a.size(), static_cast<std::size_t>(dv::kRuleCount - 2 - 4 + 4 + 1));
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].rule, b[i].rule);
    EXPECT_EQ(a[i].firstRow, b[i].firstRow);
  }
  // The gaps removed records: the arrays are shorter, and each gap is one.
  EXPECT_LT(t1.Count(), s.tu.Count());
  EXPECT_LT(c1.Count(), s.crd.Count());
  for (const auto& f : a) {
    if (f.rule != dv::CheckRule::TuGap) continue;
    EXPECT_GT(t1[f.lastRow].Time - t1[f.firstRow].Time, 10);
  }
  // Another seed puts them elsewhere.
  dv::TuArray t3(1);
  dv::CrdArray c3(1);
  t3.Assign(s.tu), c3.Assign(s.crd);
  const auto c = dvtools::InjectFaults(t3, c3, 8);
  int same = 0;
  for (std::size_t i = 0; i < a.size(); ++i) same += a[i].rule == c[i].rule && a[i].firstRow == c[i].firstRow;
  EXPECT_LT(same, 3);
}

}  // namespace

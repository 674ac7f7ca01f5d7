#include "check/RemoveFound.h"

#include <gtest/gtest.h>

namespace {

dv::FlightPoints Flight(int n) {
  dv::FlightPoints p;
  for (int i = 0; i < n; ++i) {
    dv::TuPoint t;
    t.Time = static_cast<float>(i);
    p.TuPoints.Add(t);
    dv::CrdPoint c;
    c.Time = i;
    p.CrdPoints.Add(c);
  }
  return p;
}

TEST(RemoveFoundTest, EachFindingExcludesWhatItNamesAndUndoGivesTheFlagsBack) {
  dv::FlightPoints p = Flight(50);
  p.TuPoints[12].UExcluded = true;  // excluded before: its T is set, U stays
  p.CrdPoints[31].Excluded = true;
  using R = dv::CheckRule;
  const std::vector<dv::Finding> chosen = {
      {R::TSpike, dv::CheckFile::Tu, 10, 12, 10, 12, 5, 2},
      {R::USpike, dv::CheckFile::Tu, 12, 13, 12, 13, 20, 10},
      {R::SRSpike, dv::CheckFile::Crd, 30, 32, 30, 32, 900, 150},
      {R::CrdRepeat, dv::CheckFile::Crd, 40, 41, 40, 40, 2, 1},  // the first of a repeat stays
      {R::CrdGap, dv::CheckFile::Crd, 44, 45, 44, 60, 16, 10},   // a gap has no points
      {R::TSpike, dv::CheckFile::Tu, 0, 1, 0, 1, 5, 2},          // row 0 is never touched
  };
  auto step = dv::RemoveFoundStep(p, chosen);
  ASSERT_TRUE(step);
  const auto& tu = p.TuPoints;
  const auto& crd = p.CrdPoints;
  EXPECT_TRUE(tu[10].TExcluded && !tu[10].UExcluded);
  EXPECT_TRUE(tu[12].TExcluded && tu[12].UExcluded);
  EXPECT_TRUE(!tu[13].TExcluded && tu[13].UExcluded);
  EXPECT_FALSE(tu[0].TExcluded);
  EXPECT_TRUE(tu[1].TExcluded);
  EXPECT_TRUE(crd[30].Excluded && crd[31].Excluded && crd[32].Excluded);
  EXPECT_FALSE(crd[40].Excluded);
  EXPECT_TRUE(crd[41].Excluded);
  EXPECT_FALSE(crd[44].Excluded || crd[45].Excluded);
  // Rows whose flags did not change are not in the step.
  EXPECT_EQ(step->flags.size(), 4u + 1 + 3u - 1 + 1);  // tu 1,10,11,12,13; crd 30,32,41
  EXPECT_EQ(dv::DescribeStep(*step), "Убрать найденное, точек: " + std::to_string(step->flags.size()));
  dv::UndoStep(*step, p);
  EXPECT_FALSE(tu[10].TExcluded || tu[1].TExcluded || tu[13].UExcluded);
  EXPECT_TRUE(!tu[12].TExcluded && tu[12].UExcluded);  // as before the step
  EXPECT_FALSE(crd[30].Excluded || crd[32].Excluded || crd[41].Excluded);
  EXPECT_TRUE(crd[31].Excluded);
  dv::RedoStep(*step, p);
  EXPECT_TRUE(crd[30].Excluded && crd[41].Excluded && tu[12].TExcluded);
  // Nothing left to change: no step.
  EXPECT_FALSE(dv::RemoveFoundStep(p, chosen));
  EXPECT_FALSE(dv::RemoveFoundStep(p, {}));
}

}  // namespace

#include <gtest/gtest.h>

#include "flight/MyBaseArray.h"
#include "flight/Points.h"

using namespace dv;

TEST(tMyBaseArray, AddRecReturnsSuccessiveIndicesAndCopies) {
  TuArray a;
  EXPECT_EQ(a.RecSize(), static_cast<int>(sizeof(TuPoint)));
  EXPECT_GE(a.Capacity(), kInitialArrayCapacity);
  TuPoint p{1.0f, -5.0f, 80.0f, false, false, false};
  EXPECT_EQ(a.AddRec(&p), 0);
  p.Time = 2.0f;
  EXPECT_EQ(a.Add(p), 1);
  p.Time = 3.0f;
  EXPECT_EQ(a.Add(p), 2);
  // The caller's record was copied, not kept.
  EXPECT_FLOAT_EQ(a[0].Time, 1.0f);
  TuPoint out{};
  a.GetRec(1, &out);
  EXPECT_FLOAT_EQ(out.Time, 2.0f);
}

TEST(tMyBaseArray, IndexErrorCarriesTheIndex) {
  CrdArray a;
  CrdPoint p{};
  try {
    a.GetRec(0, &p);
    FAIL() << "no index error on an empty array";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds / Индекс списка вышел за границы (0)");
  }
  a.Add(p);
  EXPECT_THROW(a.GetRec(1, &p), EListError);
  EXPECT_THROW(a.GetRec(-1, &p), EListError);
  EXPECT_THROW(a.Delete(5), EListError);
  EXPECT_NO_THROW(a.GetRec(0, &p));
}

TEST(tMyBaseArray, AssignCopiesOnlyTheSameRecordType) {
  CrdArray source;
  for (int i = 0; i < 5; ++i) source.Add(CrdPoint{double(i), 100.0 * i, 1, 2, false, false});
  CrdArray copy;
  copy.Add(CrdPoint{});
  copy.Assign(source);
  ASSERT_EQ(copy.Count(), 5);
  copy[2].SR = -1;
  copy[2].Excluded = true;
  EXPECT_EQ(source[2].SR, 200.0);  // no shared memory
  EXPECT_FALSE(source[2].Excluded);

  TuArray other;
  other.Add(TuPoint{});
  other.Assign(source);  // another record size: emptied, silently
  EXPECT_EQ(other.Count(), 0);

  CrdArray empty;
  copy.Assign(empty);
  EXPECT_EQ(copy.Count(), 0);
}

TEST(tMyBaseArray, ClearAndDeleteThenRefillFromZero) {
  TuArray a;
  for (int i = 0; i < 3000; ++i) a.Add(TuPoint{float(i), 0, 0, false, false, false});
  EXPECT_EQ(a.Count(), 3000);  // grows past the initial capacity
  a.Delete(0);
  EXPECT_FLOAT_EQ(a[0].Time, 1.0f);
  EXPECT_EQ(a.Count(), 2999);
  a.Clear();
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(a.Add(TuPoint{}), 0);
}

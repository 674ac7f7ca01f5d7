#include <gtest/gtest.h>

#include <limits>

#include "export/Export.h"

using namespace dv;

TEST(Export, ZoneAnswers) {
  EXPECT_EQ(ParseZoneHours("3"), 3);
  EXPECT_EQ(ParseZoneHours("+3"), 3);
  EXPECT_EQ(ParseZoneHours("-5"), -5);
  EXPECT_EQ(ParseZoneHours("13"), 13);  // the limit is the command's to apply
  EXPECT_FALSE(ParseZoneHours("3.5"));
  EXPECT_FALSE(ParseZoneHours(""));
  EXPECT_FALSE(ParseZoneHours("три"));
}

TEST(Export, UtcNameAcrossMidnightAndYearEnd) {
  InitialData d;
  d.StartYear = 2010;
  d.StartMonth = 3;
  d.StartDay = 5;
  d.StartHour = 9;
  d.StartMinute = 7;
  EXPECT_EQ(ExportBase("/arc/", d, 3), "/arc/5.3.2010-6.7");
  EXPECT_EQ(ExportBase("/arc/", d, -5), "/arc/5.3.2010-14.7");
  EXPECT_EQ(ExportBase("/arc/", d, 0), "/arc/5.3.2010-9.7");
  d.StartYear = 2011;
  d.StartMonth = 1;
  d.StartDay = 1;
  d.StartHour = 1;
  d.StartMinute = 30;
  EXPECT_EQ(ExportBase("", d, 3), "31.12.2010-22.30");
  d.StartMonth = 3;  // 1 March 2012 after a leap day
  d.StartYear = 2012;
  EXPECT_EQ(ExportBase("", d, 3), "29.2.2012-22.30");
  d.StartMonth = 0;
  EXPECT_FALSE(ExportBase("", d, 3));
}

TEST(Export, WorkBaseTakesTheFlightsFileName) {
  EXPECT_EQ(WorkBase("/work/TEMP/", "/arc/12345"), "/work/TEMP/12345");
  EXPECT_EQ(WorkBase("TEMP/", "/arc/5.3.2010-6.7"), "TEMP/5.3.2010-6.7");
}

TEST(Export, ZoneLimitAtTheExtremesOfInt) {
  EXPECT_TRUE(ZoneHoursAllowed(12));
  EXPECT_TRUE(ZoneHoursAllowed(-12));
  EXPECT_FALSE(ZoneHoursAllowed(13));
  EXPECT_FALSE(ZoneHoursAllowed(-13));
  // std::abs of the smallest int is undefined, and in practice stays negative.
  EXPECT_FALSE(ZoneHoursAllowed(std::numeric_limits<int>::min()));
  EXPECT_FALSE(ZoneHoursAllowed(std::numeric_limits<int>::max()));
  ASSERT_TRUE(ParseZoneHours("-2147483648"));
  EXPECT_FALSE(ParseZoneHours("-2147483649"));
}

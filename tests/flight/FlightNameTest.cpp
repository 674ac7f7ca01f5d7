#include <gtest/gtest.h>

#include "flight/FlightName.h"

using namespace dv;

namespace {
DateTime At(int y, int m, int d, int h, int n) { return *EncodeDateTime(y, m, d, h, n); }
}  // namespace

TEST(FlightTimeFromName, CompactShapeWithOrWithoutOriginalExtension) {
  EXPECT_EQ(FlightTimeFromName("/arc/20061005-1230.info"), At(2006, 10, 5, 12, 30));
  EXPECT_EQ(FlightTimeFromName("/arc/20061005-1230.org.info"), At(2006, 10, 5, 12, 30));
  // Anything after the minute is ignored.
  EXPECT_EQ(FlightTimeFromName("20061005-1230_27612.info"), At(2006, 10, 5, 12, 30));
}

TEST(FlightTimeFromName, DottedShape) {
  EXPECT_EQ(FlightTimeFromName("/arc/5.10.2006-9.5.info"), At(2006, 10, 5, 9, 5));
  EXPECT_EQ(FlightTimeFromName("/arc/5.10.2006-9.5.org.info"), At(2006, 10, 5, 9, 5));
  EXPECT_EQ(FlightTimeFromName("31.12.2010-23.59.info"), At(2010, 12, 31, 23, 59));
}

TEST(FlightTimeFromName, NoDashMeansNoDate) {
  EXPECT_EQ(FlightTimeFromName("/arc/station.info"), DateTime{});
  EXPECT_EQ(FlightTimeFromName("/arc/a-b/station.info"), DateTime{});  // a dash in a folder does not count
}

TEST(FlightTimeFromName, FailuresRaise) {
  for (const char* bad : {
           "20061005-12.info",            // cut after the hour
           "5.2006-9.5.info",             // a single point in the date: no month
           "5.10.2006-9.5.7.info",        // the minute text carries more after the number
           "20061305-1230.info",          // month 13
           "20061005-2430.info",          // hour 24
           "20061005-1260.info",          // minute 60
           "20060230-1230.info",          // 30 February
           "2006x005-1230.info",          // not a number
           "5.10.2006-9.info",            // no minute
           "5.10.99999-9.5.info",         // above 65535
           "0.10.2006-9.5.info",          // day 0
           "-1230.info",                  // empty date part
       }) {
    EXPECT_THROW(FlightTimeFromName(bad), FlightNameError) << bad;
  }
}

TEST(FlightTimeFromName, OrgInsideTheNameLosesOneMorePiece) {
  // "org" outside an extension: one more point-separated piece is removed,
  // here the minute, so the name no longer reads.
  EXPECT_THROW(FlightTimeFromName("5.10.2006-9.5borg.info"), FlightNameError);
  EXPECT_EQ(FlightTimeFromName("5.10.2006-9.5.georgia.info"), At(2006, 10, 5, 9, 5));
}

TEST(DottedFlightName, HasNoLeadingZeros) {
  EXPECT_EQ(DottedFlightName(At(2010, 3, 5, 6, 7)), "5.3.2010-6.7");
  EXPECT_EQ(DottedFlightName(At(2010, 12, 31, 22, 30)), "31.12.2010-22.30");
}

TEST(FlightTimeFromName, PiecesTakeAnyNumberOfLeadingZeros) {
  EXPECT_EQ(FlightTimeFromName("000005.10.2006-9.5.info"), At(2006, 10, 5, 9, 5));
  EXPECT_EQ(FlightTimeFromName("5.0000000010.002006-0000009.00000000000000000005.info"),
            At(2006, 10, 5, 9, 5));
  // The value, not the length, is limited to 0..65535.
  for (const char* bad : {"5.10.0000065536-9.5.info", "5.10.2006-9.99999999999999999999999.info",
                          "5.10.2006-9.18446744073709551621.info"}) {
    EXPECT_THROW(FlightTimeFromName(bad), FlightNameError) << bad;
  }
}

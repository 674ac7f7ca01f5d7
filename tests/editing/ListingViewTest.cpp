// The listing's rows are the file's lines as dv::SplitLines finds them, whatever
// their line ends, with the bytes unchanged.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editing/ListingView.h"
#include "flight/InfoFile.h"

namespace {

std::vector<std::string> Rows(const ListingModel& model) {
  std::vector<std::string> rows;
  for (int r = 0; r < model.rowCount(); ++r) rows.emplace_back(model.RowBytes(r));
  return rows;
}

std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  for (std::string_view line : dv::SplitLines(bytes)) lines.emplace_back(line);
  return lines;
}

using Expected = std::vector<std::string>;

TEST(ListingViewTest, EachKindOfLineEndEndsARow) {
  ListingModel model;
  model.SetLines("0.00\t5.00\r\n1.00\t4.90\r2.00\t4.80\n3.00\t4.70\r\n");
  EXPECT_EQ(Rows(model), (Expected{"0.00\t5.00", "1.00\t4.90", "2.00\t4.80", "3.00\t4.70"}));
}

TEST(ListingViewTest, ALastLineWithoutALineEndIsARowOfItsOwn) {
  ListingModel model;
  model.SetLines("10\r\n20");
  EXPECT_EQ(Rows(model), (Expected{"10", "20"}));
  model.SetLines("10\r20");
  EXPECT_EQ(Rows(model), (Expected{"10", "20"}));
  model.SetLines("10\n2");
  EXPECT_EQ(Rows(model), (Expected{"10", "2"}));
  model.SetLines("only");  // one line, no line end at all
  EXPECT_EQ(Rows(model), (Expected{"only"}));
}

TEST(ListingViewTest, EmptyLinesStayRows) {
  ListingModel model;
  // "\r\r\n" is a line end and then an empty line; "\n\r" two line ends.
  model.SetLines("a\r\r\nb\n\rc\r\n\r\n");
  EXPECT_EQ(Rows(model), (Expected{"a", "", "b", "", "c", ""}));
  model.SetLines("\n");
  EXPECT_EQ(Rows(model), (Expected{""}));
  model.SetLines("\r\n\r\n");
  EXPECT_EQ(Rows(model), (Expected{"", ""}));
  model.SetLines("");
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.RowBytes(0), "");  // a row that is not there reads as nothing
  EXPECT_EQ(model.RowBytes(-1), "");
}

TEST(ListingViewTest, RowsAreTheLinesSplitLinesFinds) {
  // Every mix of two-character pieces from line ends, a tab and a letter.
  const std::vector<std::string> pieces = {"\r\n", "\r", "\n", "x", "\t", "\r\r", "\n\n", "\n\r"};
  ListingModel model;
  for (const std::string& a : pieces)
    for (const std::string& b : pieces)
      for (const std::string& c : pieces) {
        const std::string bytes = a + "12.5" + b + c + "7";
        model.SetLines(bytes);
        EXPECT_EQ(Rows(model), Lines(bytes)) << testing::PrintToString(bytes);
        model.SetLines(bytes + a);
        EXPECT_EQ(Rows(model), Lines(bytes + a)) << testing::PrintToString(bytes + a);
      }
}

TEST(ListingViewTest, BytesAreShownAsTheyCame) {
  ListingModel model;
  model.SetLines(std::string("1\t\xC0\xFF\0z\r\n2", 9));
  ASSERT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.RowBytes(0), std::string_view("1\t\xC0\xFF\0z", 6));
  EXPECT_EQ(model.RowText(0).size(), 6);  // one character per byte
  model.Clear();
  EXPECT_EQ(model.rowCount(), 0);
}

// A click selects its row and tells the window so; with Ctrl it leaves none.
TEST(ListingViewTest, AClickSelectsItsRow) {
  TListingView view(TListingView::kTuPoints);
  view.resize(300, 200);
  view.LoadLines("0.00\t5.00\r\n1.00\t4.90\r\n2.00\t4.80\r\n");
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  QSignalSpy selected(&view, &TListingView::userSelectionChanged);
  const QPoint row1 = view.visualRect(view.listModel()->index(1)).center();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, row1);
  EXPECT_EQ(view.SelectedRuns(), (std::vector<std::pair<int, int>>{{1, 1}}));
  EXPECT_GE(selected.count(), 1);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier,
                    view.visualRect(view.listModel()->index(2)).center());
  EXPECT_FALSE(view.HasSelection());
}

}  // namespace

// What an observer meets first: the window's pages, listings, dialogs and texts
// as they should be at first sight, and flights named or shaped unusually.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "WindowFixture.h"
#include "app/PageControl.h"
#include "editing/ListingView.h"
#include "flight/PointFiles.h"

namespace fs = std::filesystem;

namespace {

std::string Rows(int n, bool crd) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += crd ? std::to_string(i) + ".00\t" + std::to_string(150 + 9 * i) + ".00\t1.000000\t0.100000\r\n"
             : std::to_string(i) + ".00\t5.00\t80.00\r\n";
  return s;
}

}  // namespace

class FirstSightTest : public WindowFixture {};

// A new flight starts at its first row, scrolled fully left, in both listings.
TEST_F(FirstSightTest, ANewFlightOpensAtItsFirstRow) {
  const std::string a = WriteFlight("20251014-1130", Rows(500, false), Rows(500, true));
  auto& w = Create();
  ASSERT_TRUE(Open(a));
  for (TListingView* l : {w.lbxTLM, w.lbxCRD}) {
    l->scrollToBottom();
    l->horizontalScrollBar()->setValue(l->horizontalScrollBar()->maximum());
    ASSERT_GT(l->verticalScrollBar()->value(), 0);
  }
  ASSERT_TRUE(Open(a));
  for (TListingView* l : {w.lbxTLM, w.lbxCRD}) {
    EXPECT_EQ(l->verticalScrollBar()->value(), 0);
    EXPECT_EQ(l->horizontalScrollBar()->value(), 0);
  }
}

// Opened as NAME.INFO: saved into that file and opened again from it.
TEST_F(FirstSightTest, AnUpperCaseInfoNameIsKeptForSavingAndReopening) {
  const std::string base = WriteFlight("20251014-1130", Rows(5, false), Rows(5, true));
  fs::rename(base + ".info", base + ".INFO");
  auto& w = Create();
  dialogs.files.push_back(PathToQt(base + ".INFO"));
  w.idOpen->trigger();
  ASSERT_EQ(flight.FlightBase, base);
  w.edtP0->setFocus();
  w.edtP0->selectAll();
  QTest::keyClicks(w.edtP0, "1010");
  w.lbxTLM->SelectFromChart(2);
  w.lbListingClick(w.lbxTLM);
  w.idMarkTLM->trigger();
  dialogs.calls.clear();
  w.idSaveAll->trigger();
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Данные INFO обновлены", "Данные TU обновлены",
                                                   "Нет изменений CRD для сохранения!"}));
  EXPECT_FALSE(fs::exists(base + ".info"));  // no second .info beside the chosen one
  EXPECT_NE(dvtest::ReadAll(base + ".INFO").find("OnGroundPressure:\t1010.0"), std::string::npos);
  EXPECT_TRUE(dvtest::IsReadOnly(base + ".org.info"));
  EXPECT_EQ(w.lbxTLM->RowCount(), 4);  // opened again from what was written
  EXPECT_TRUE(TfmMainFrm::IsReachable(w.idReOpen));
  w.idReOpen->trigger();
  EXPECT_EQ(flight.InfoName, base + ".INFO");
  EXPECT_EQ(w.edtP0->text(), "1010.0");
}

// A launch point typed for a flight without a .crd is not saved into an empty file.
TEST_F(FirstSightTest, SavingNoPointsIsRefusedAndWritesNothing) {
  const std::string base = WriteFlight("20251014-1130", Rows(5, false), "");
  auto& w = Create();
  ASSERT_TRUE(Open(base));
  w.edtSR0->setFocus();
  QTest::keyClicks(w.edtSR0, "150");
  ASSERT_TRUE(w.CRDModified);
  dialogs.calls.clear();
  w.idSaveCRD->trigger();
  EXPECT_EQ(dialogs.Texts(), (std::vector<QString>{"Нет точек CRD для сохранения!"}));
  EXPECT_FALSE(fs::exists(base + ".crd"));
  EXPECT_FALSE(fs::exists(base + ".org.crd"));
  EXPECT_TRUE(w.CRDModified);  // still unsaved, so closing asks
}

// Every page tab is whole inside the tab column at the start size and at the
// smallest size, with a fifth page too; a click on a tab brings its page.
TEST_F(FirstSightTest, PageTabsAreAllReadableAtEverySize) {
  auto& w = Create();
  auto* control = qobject_cast<TPageControl*>(w.PageControlTU);
  ASSERT_TRUE(control);
  TPageTabBar* tabs = control->pageTabs();
  const auto check = [&](const char* when) {
    QApplication::processEvents();
    const auto rects = tabs->TabRects();
    ASSERT_EQ(static_cast<int>(rects.size()), tabs->count()) << when;
    for (int i = 0; i < tabs->count(); ++i) {
      const QRect& r = rects[static_cast<std::size_t>(i)];
      EXPECT_TRUE(tabs->rect().contains(r)) << when << " tab " << i << " outside the bar";
      // The rotated caption runs along the tab's height.
      EXPECT_GE(r.height(), tabs->fontMetrics().horizontalAdvance(tabs->tabText(i))) << when << " tab " << i;
      for (int k = 0; k < i; ++k) EXPECT_FALSE(r.intersects(rects[static_cast<std::size_t>(k)])) << when;
    }
    // Every tab is painted with its caption, the current one and the others alike.
    const QImage painted = tabs->grab().toImage();
    for (int i = 0; i < tabs->count(); ++i) {
      const QRect inner = rects[static_cast<std::size_t>(i)].adjusted(3, 3, -3, -3);
      int dark = 0;
      for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x) dark += qGray(painted.pixel(x, y)) < 100;
      EXPECT_GT(dark, 20) << when << " tab " << i << " has no caption";
    }
  };
  for (const QSize size : {QSize(918, 573), QSize(640, 480)}) {
    w.resize(size);
    for (int page = 0; page < w.PageControlTU->count(); ++page) {
      w.PageControlTU->setCurrentIndex(page);
      check(size.height() == 573 ? "start size" : "smallest size");
    }
  }
  // The wind page is the fifth, the diagram the sixth, the levels the seventh;
  // an eighth must still fit.
  ASSERT_EQ(w.PageControlTU->count(), 7);
  EXPECT_EQ(w.PageControlTU->tabText(4), QStringLiteral("Ветер"));
  EXPECT_EQ(w.PageControlTU->tabText(5), QStringLiteral("Диаграмма"));
  EXPECT_EQ(w.PageControlTU->tabText(6), QStringLiteral("Уровни"));
  w.PageControlTU->addTab(new QWidget, "Ещё");
  check("eight pages");
  w.resize(918, 573);
  check("eight pages, start size");
  const QRect last = tabs->TabRects().back();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, last.center());
  EXPECT_EQ(w.PageControlTU->currentIndex(), 7);
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->TabRects().front().center());
  EXPECT_EQ(w.PageControlTU->currentWidget(), w.tsInfo);
}

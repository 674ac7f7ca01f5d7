#include "app/PageControl.h"

#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QToolTip>
#include <algorithm>

TPageTabBar::TPageTabBar(QWidget* parent) : QTabBar(parent) {
  setShape(QTabBar::RoundedWest);
  // Every caption is shown whole: no scrolling, no eliding.
  setUsesScrollButtons(false);
  setElideMode(Qt::ElideNone);
  setExpanding(false);
  setDrawBase(false);
}

int TPageTabBar::ColumnWidth() const { return fontMetrics().height() + 12; }

int TPageTabBar::TabLength(int index) const {
  return fontMetrics().horizontalAdvance(tabText(index)) + 24;
}

int TPageTabBar::AvailableHeight() const {
  return parentWidget() ? std::max(parentWidget()->height(), 1) : std::max(height(), 1);
}

// Tabs run down a column; one that does not fit begins the next column. The
// column of the current tab goes next to the page, as the selected row of a
// multi-row page control does.
std::vector<QRect> TPageTabBar::Layout(int height) const {
  std::vector<QRect> rects;
  std::vector<int> columnOf;
  const int w = ColumnWidth();
  int column = 0, y = 0;
  for (int i = 0; i < count(); ++i) {
    const int length = TabLength(i);
    if (y > 0 && y + length > height) {
      ++column;
      y = 0;
    }
    rects.emplace_back(0, y, w, length);
    columnOf.push_back(column);
    y += length;
  }
  const int last = column;
  const int current = currentIndex() >= 0 && currentIndex() < count() ? columnOf[static_cast<std::size_t>(currentIndex())] : last;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    int c = columnOf[i];
    if (c == current) c = last;
    else if (c == last) c = current;
    rects[i].moveLeft(c * w);
  }
  return rects;
}

std::vector<QRect> TPageTabBar::TabRects() const { return Layout(AvailableHeight()); }

int TPageTabBar::TabAt(const QPoint& pos) const {
  const auto rects = TabRects();
  for (std::size_t i = 0; i < rects.size(); ++i)
    if (rects[i].contains(pos)) return static_cast<int>(i);
  return -1;
}

QSize TPageTabBar::tabSizeHint(int index) const { return {ColumnWidth(), TabLength(index)}; }

QSize TPageTabBar::sizeHint() const {
  const auto rects = TabRects();
  int width = ColumnWidth(), height = 0;
  for (const QRect& r : rects) {
    width = std::max(width, r.right() + 1);
    height = std::max(height, r.bottom() + 1);
  }
  return {width, height};
}

QSize TPageTabBar::minimumSizeHint() const {
  // The longest caption in one column: the page control may be as low as that.
  int longest = 0;
  for (int i = 0; i < count(); ++i) longest = std::max(longest, TabLength(i));
  return {ColumnWidth(), longest};
}

void TPageTabBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  const auto rects = TabRects();
  const auto draw = [&](int i) {
    QStyleOptionTab option;
    initStyleOption(&option, i);
    // The stock layout knows one line of tabs only: ours decides where each goes,
    // and the caption is never cut.
    option.rect = rects[static_cast<std::size_t>(i)];
    option.text = tabText(i);
    option.position = QStyleOptionTab::OnlyOneTab;
    option.state |= QStyle::State_Enabled;
    painter.drawControl(QStyle::CE_TabBarTab, option);
  };
  for (int i = 0; i < count(); ++i)
    if (i != currentIndex()) draw(i);
  if (currentIndex() >= 0) draw(currentIndex());  // last, over its neighbours
}

void TPageTabBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = TabAt(event->position().toPoint());
  if (index >= 0 && isTabEnabled(index)) setCurrentIndex(index);
}

// The stock handlers know only a single line of tabs; ours are laid out above.
void TPageTabBar::mouseMoveEvent(QMouseEvent*) {}
void TPageTabBar::mouseReleaseEvent(QMouseEvent*) {}

bool TPageTabBar::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    const int index = TabAt(help->pos());
    if (index >= 0 && !tabToolTip(index).isEmpty())
      QToolTip::showText(help->globalPos(), tabToolTip(index), this);
    else
      QToolTip::hideText();
    return true;
  }
  return QTabBar::event(e);
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), tabs_(new TPageTabBar(this)) {
  setTabBar(tabs_);
  setTabPosition(QTabWidget::West);
}

void TPageControl::resizeEvent(QResizeEvent* event) {
  // The number of tab columns follows the height.
  tabs_->updateGeometry();
  QTabWidget::resizeEvent(event);
}

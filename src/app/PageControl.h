#pragma once
// A page control with its tabs on the left in as many columns as the height
// needs, so that every caption stays whole at any window size.

#include <QTabBar>
#include <QTabWidget>
#include <vector>

class TPageTabBar : public QTabBar {
  Q_OBJECT
 public:
  explicit TPageTabBar(QWidget* parent = nullptr);

  // The rectangle of each tab for the bar's present height.
  std::vector<QRect> TabRects() const;
  int TabAt(const QPoint& pos) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  QSize tabSizeHint(int index) const override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  int ColumnWidth() const;
  int TabLength(int index) const;
  std::vector<QRect> Layout(int height) const;
  int AvailableHeight() const;
};

class TPageControl : public QTabWidget {
  Q_OBJECT
 public:
  explicit TPageControl(QWidget* parent = nullptr);
  TPageTabBar* pageTabs() const { return tabs_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  TPageTabBar* tabs_;
};

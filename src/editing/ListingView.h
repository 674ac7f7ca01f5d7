#pragma once
// The telemetry and coordinate listings: the file lines of the open flight,
// one row per point, drawn in the colours of the points' flags.

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "flight/Points.h"

// The lines of one file, kept as the bytes they came in.
class ListingModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  void SetLines(std::string bytes);
  void Clear();
  std::string_view RowBytes(int row) const;
  // The whole file as it was loaded, line ends included.
  const std::string& Bytes() const { return bytes_; }
  QString RowText(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::string bytes_;
  // Where each line starts: 32 bits suffice, a point file is at most 256 MB. A
  // line ends where the next starts, less its line end ("\r\n", "\r" or "\n"),
  // and the last one at the end of the bytes, less a line end if it has one.
  std::vector<std::uint32_t> starts_;
};

class TListingView : public QListView {
  Q_OBJECT
 public:
  // The kind of point a row shows (the listing's tag).
  enum Tag { kTuPoints = 2, kCrdPoints = 3 };

  TListingView(Tag tag, QWidget* parent = nullptr);

  Tag tag() const { return tag_; }
  ListingModel* listModel() const { return model_; }
  // The points whose flags colour the rows; row r is point r.
  void SetPoints(const dv::TuArray* tu, const dv::CrdArray* crd);

  void LoadLines(std::string bytes);
  void Clear();
  // First row at the top, scrolled fully left.
  void ScrollHome();
  int RowCount() const;

  // The selected rows as sorted, merged [first, last] runs.
  std::vector<std::pair<int, int>> SelectedRuns() const;
  bool HasSelection() const;
  int SelectedCount() const;
  // Selection changes made by the program raise no selection event.
  void SelectRows(int first, int last);
  void DeselectAll();
  // A chart click on point `index`: one row, then the stretch between two, then one again.
  void SelectFromChart(int index);

  // What the row of point `row` shows: background mark, text mark, underline.
  struct Marks {
    bool background = false;
    bool text = false;
    bool underline = false;
  };
  Marks RowMarks(int row) const;
  QColor ListColour() const;
  void SetHorizontalExtent(int pixels);
  int HorizontalExtent() const { return extent_; }
  // The three tab stops, in pixels from the row's left edge.
  std::vector<qreal> TabStops() const;

 signals:
  // The user changed the selection with the mouse or the keyboard.
  void userSelectionChanged();

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  class SilentSelection;
  Tag tag_;
  ListingModel* model_;
  const dv::TuArray* tu_ = nullptr;
  const dv::CrdArray* crd_ = nullptr;
  int silent_ = 0;
  int extent_ = 0;
};

// lbxDrawItem: one row in the listing's colours, with tab stops from the digit width.
class ListingDelegate : public QStyledItemDelegate {
 public:
  explicit ListingDelegate(TListingView* view) : QStyledItemDelegate(view), view_(view) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  TListingView* view_;
};

namespace listingcolour {
inline constexpr unsigned kTeal = 0x008080;    // telemetry listing
inline constexpr unsigned kOlive = 0x808000;   // coordinate listing
inline constexpr unsigned kMaroon = 0x800000;  // excluded, not selected
inline constexpr unsigned kPurple = 0x800080;  // excluded, selected
inline constexpr unsigned kYellow = 0xFFFF00;  // text of an excluded value
inline constexpr unsigned kWhite = 0xFFFFFF;
}  // namespace listingcolour

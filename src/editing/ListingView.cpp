#include "editing/ListingView.h"

#include <QFontDatabase>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <cstring>

// ---------------------------------------------------------------- model

namespace {

// Calls `line` with the start of every line that dv::SplitLines finds. The line
// ends are found with memchr: a listing can hold tens of megabytes.
template <typename F>
void ForEachLineStart(std::string_view bytes, F&& line) {
  const char* const begin = bytes.data();
  const char* const end = begin + bytes.size();
  const auto next = [end](const char* from, char c) {
    const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
    return found ? static_cast<const char*>(found) : end;
  };
  const char* cr = next(begin, '\r');
  const char* lf = next(begin, '\n');
  for (const char* start = begin; start < end;) {
    line(static_cast<std::size_t>(start - begin));
    const char* lineEnd = std::min(cr, lf);
    if (lineEnd == end) return;  // the last line, without a line end
    start = lineEnd + 1;
    if (*lineEnd == '\r' && start < end && *start == '\n') ++start;
    if (cr < start) cr = next(start, '\r');
    if (lf < start) lf = next(start, '\n');
  }
}

}  // namespace

void ListingModel::SetLines(std::string bytes) {
  beginResetModel();
  bytes_ = std::move(bytes);
  starts_.clear();
  // Longer text (not a point file) is listed as far as 32-bit offsets reach.
  if (bytes_.size() > UINT32_MAX) bytes_.resize(UINT32_MAX);
  // Counted first, so that the index is made once at its size.
  std::size_t count = 0;
  ForEachLineStart(bytes_, [&count](std::size_t) { ++count; });
  starts_.reserve(count);
  ForEachLineStart(bytes_, [this](std::size_t start) { starts_.push_back(static_cast<std::uint32_t>(start)); });
  endResetModel();
}

void ListingModel::Clear() {
  beginResetModel();
  bytes_.clear();
  starts_.clear();
  endResetModel();
}

std::string_view ListingModel::RowBytes(int row) const {
  if (row < 0 || row >= static_cast<int>(starts_.size())) return {};
  const auto k = static_cast<std::size_t>(row);
  const std::size_t start = starts_[k];
  std::size_t end = k + 1 < starts_.size() ? starts_[k + 1] : bytes_.size();
  // A line holds no '\r' nor '\n', so what it ends with is its line end.
  if (end > start && bytes_[end - 1] == '\n') --end;
  if (end > start && bytes_[end - 1] == '\r') --end;
  return std::string_view(bytes_).substr(start, end - start);
}

QString ListingModel::RowText(int row) const {
  // A point line is a few dozen characters; a damaged file may hold one of
  // megabytes, which is shown cut rather than laid out on every repaint.
  constexpr std::size_t kMaxShown = 1000;
  const std::string_view b = RowBytes(row);
  QString text = QString::fromLatin1(b.data(), static_cast<qsizetype>(std::min(b.size(), kMaxShown)));
  if (b.size() > kMaxShown) text += QChar(0x2026);
  return text;
}

int ListingModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(starts_.size());
}

QVariant ListingModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return RowText(index.row());
}

// ---------------------------------------------------------------- view

class TListingView::SilentSelection {
 public:
  explicit SilentSelection(TListingView* v) : v_(v) { ++v_->silent_; }
  ~SilentSelection() { --v_->silent_; }

 private:
  TListingView* v_;
};

TListingView::TListingView(Tag tag, QWidget* parent)
    : QListView(parent), tag_(tag), model_(new ListingModel(this)) {
  setModel(model_);
  setItemDelegate(new ListingDelegate(this));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  // Small enough that a whole .crd row of a long flight fits the listing at the start size.
  f.setPixelSize(12);
  setFont(f);
  QPalette p = palette();
  p.setColor(QPalette::Base, ListColour());
  p.setColor(QPalette::Text, QColor::fromRgb(listingcolour::kWhite));
  setPalette(p);
  setFrameShape(tag == kCrdPoints ? QFrame::Box : QFrame::NoFrame);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (silent_ == 0) emit userSelectionChanged();
  });
}

QColor TListingView::ListColour() const {
  return QColor::fromRgb(tag_ == kTuPoints ? listingcolour::kTeal : listingcolour::kOlive);
}

void TListingView::SetPoints(const dv::TuArray* tu, const dv::CrdArray* crd) {
  tu_ = tu;
  crd_ = crd;
}

void TListingView::LoadLines(std::string bytes) {
  SilentSelection quiet(this);
  model_->SetLines(std::move(bytes));
  ScrollHome();
}

void TListingView::Clear() {
  SilentSelection quiet(this);
  model_->Clear();
  ScrollHome();
}

void TListingView::ScrollHome() {
  // A new flight starts at its first row, scrolled fully left.
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
}

int TListingView::RowCount() const { return model_->rowCount(); }

std::vector<std::pair<int, int>> TListingView::SelectedRuns() const {
  std::vector<std::pair<int, int>> runs;
  for (const QItemSelectionRange& r : selectionModel()->selection()) runs.emplace_back(r.top(), r.bottom());
  std::sort(runs.begin(), runs.end());
  std::vector<std::pair<int, int>> merged;
  for (const auto& r : runs) {
    if (!merged.empty() && r.first <= merged.back().second + 1)
      merged.back().second = std::max(merged.back().second, r.second);
    else
      merged.push_back(r);
  }
  return merged;
}

bool TListingView::HasSelection() const { return selectionModel()->hasSelection(); }

int TListingView::SelectedCount() const {
  int n = 0;
  for (const auto& [first, last] : SelectedRuns()) n += last - first + 1;
  return n;
}

void TListingView::SelectRows(int first, int last) {
  if (first > last) std::swap(first, last);
  first = std::max(first, 0);
  last = std::min(last, RowCount() - 1);
  if (first > last) return;
  SilentSelection quiet(this);
  selectionModel()->select(QItemSelection(model_->index(first), model_->index(last)),
                           QItemSelectionModel::Select);
}

void TListingView::DeselectAll() {
  SilentSelection quiet(this);
  selectionModel()->clearSelection();
}

void TListingView::SelectFromChart(int index) {
  if (index < 0 || index >= RowCount()) return;
  SilentSelection quiet(this);
  if (SelectedCount() > 1) selectionModel()->clearSelection();
  selectionModel()->setCurrentIndex(model_->index(index), QItemSelectionModel::Select);
  const auto runs = SelectedRuns();
  if (SelectedCount() == 2) SelectRows(runs.front().first, runs.back().second);
  scrollTo(model_->index(index));
}

void TListingView::mousePressEvent(QMouseEvent* event) {
  QListView::mousePressEvent(event);
  // lbListingMouseDown: a left click with Ctrl leaves no row selected.
  if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) DeselectAll();
}

TListingView::Marks TListingView::RowMarks(int row) const {
  Marks m;
  if (tag_ == kTuPoints && tu_ && row >= 0 && row < tu_->Count()) {
    const dv::TuPoint& p = (*tu_)[row];
    m = {p.TExcluded, p.UExcluded, p.TimeCorrected};
  } else if (tag_ == kCrdPoints && crd_ && row >= 0 && row < crd_->Count()) {
    const dv::CrdPoint& p = (*crd_)[row];
    m = {p.Excluded, p.Excluded, p.TimeCorrected};
  }
  return m;
}

void TListingView::SetHorizontalExtent(int pixels) {
  extent_ = pixels;
  doItemsLayout();
}

std::vector<qreal> TListingView::TabStops() const {
  const int w = QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'));
  // 8.75, 18.75 and 25 digit widths; halves go to the even pixel.
  return {std::nearbyint(w * 35 / 4.0), std::nearbyint(w * 75 / 4.0), std::nearbyint(w * 100 / 4.0)};
}

// ---------------------------------------------------------------- drawing

void ListingDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const int row = index.row();
  const bool selected = option.state & QStyle::State_Selected;
  QColor background = selected ? option.palette.color(QPalette::Active, QPalette::Highlight) : view_->ListColour();
  QColor text = selected ? option.palette.color(QPalette::Active, QPalette::HighlightedText)
                         : QColor::fromRgb(listingcolour::kWhite);
  const TListingView::Marks marks = view_->RowMarks(row);
  QFont font = view_->font();
  font.setUnderline(marks.underline);
  if (marks.text) text = QColor::fromRgb(listingcolour::kYellow);
  if (marks.background) background = QColor::fromRgb(selected ? listingcolour::kPurple : listingcolour::kMaroon);

  painter->save();
  painter->fillRect(option.rect, background);
  painter->setFont(font);
  painter->setPen(text);
  const QFontMetrics fm(font);
  const int top = option.rect.top();
  const int bottom = option.rect.top() + option.rect.height();
  const int y = std::max(top, (top + bottom - fm.height()) / 2);
  QTextOption layout;
  layout.setWrapMode(QTextOption::NoWrap);
  QList<QTextOption::Tab> tabs;
  for (qreal stop : view_->TabStops()) tabs.append(QTextOption::Tab(stop, QTextOption::LeftTab));
  layout.setTabs(tabs);
  painter->drawText(QRectF(option.rect.left(), y, 100000, fm.height()),
                    view_->listModel()->RowText(row), layout);
  if (option.state & QStyle::State_HasFocus) {
    QPen dots(text, 1, Qt::DotLine);
    painter->setPen(dots);
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
  }
  painter->restore();
}

QSize ListingDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  const int height = std::max(16, QFontMetrics(view_->font()).height());
  return {std::max(view_->HorizontalExtent(), 1), height};
}

#include "report/ReportPdf.h"

#include "charts/TChart.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>

#include "report/Review.h"

namespace {

// Device units are screen pixels, so the charts come out as on the screen.
constexpr int kResolution = 96;
constexpr qreal kMargin = 48;  // 1/2 inch
constexpr qreal kCellPad = 4;

QString Text(const std::string& s) { return QString::fromStdString(s); }

class PageWriter {
 public:
  explicit PageWriter(QPdfWriter& writer, const QString& footer) : writer_(writer), footer_(footer) {
    body_ = QFont(ReportFontFamily());
    body_.setPointSizeF(9);
    bold_ = body_;
    bold_.setBold(true);
    heading_ = bold_;
    heading_.setPointSizeF(12);
    title_ = bold_;
    title_.setPointSizeF(15);
    small_ = body_;
    small_.setPointSizeF(7.5);
  }

  bool begin() {
    if (!painter_.begin(&writer_)) return false;
    painter_.setMode(QCPPainter::pmVectorized);
    painter_.setMode(QCPPainter::pmNoCaching);
    startPage();
    return true;
  }
  bool end() { return painter_.end(); }

  void title(const QString& text) { paragraph(text, title_, 10); }
  void heading(const QString& text) {
    // A heading never stands alone at the foot of a page.
    if (y_ + lineHeight(heading_) * 3 > bottom()) newPage();
    y_ += 6;
    paragraph(text, heading_, 4);
  }

  void paragraph(const QString& text, const QFont& font, qreal after = 3) {
    painter_.setFont(font);
    const QRectF box(left(), y_, width(), 1e6);
    const QRectF need = painter_.boundingRect(box, Qt::TextWordWrap, text);
    if (y_ + need.height() > bottom() && y_ > top()) newPage();
    painter_.setPen(Qt::black);
    painter_.drawText(QRectF(left(), y_, width(), need.height()), Qt::TextWordWrap, text);
    y_ += need.height() + after;
  }
  void paragraph(const QString& text) { paragraph(text, body_); }

  // A table whose first row is its header (repeated on each page); an empty
  // header row draws none. Columns share the width by what they hold.
  void table(const std::vector<std::vector<std::string>>& rows) {
    if (rows.empty()) return;
    std::size_t columns = 0;
    for (const auto& r : rows) columns = std::max(columns, r.size());
    const bool header = std::any_of(rows[0].begin(), rows[0].end(), [](const std::string& s) { return !s.empty(); });
    std::vector<qreal> natural(columns, 0);
    const QFontMetricsF metrics(body_, &writer_);
    const QFontMetricsF boldMetrics(bold_, &writer_);
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (std::size_t c = 0; c < rows[r].size(); ++c)
        natural[c] = std::max(natural[c], (r == 0 ? boldMetrics : metrics).horizontalAdvance(Text(rows[r][c])) +
                                              2 * kCellPad + 1);
    qreal total = 0;
    for (qreal w : natural) total += w;
    std::vector<qreal> widths = natural;
    if (total > width()) {
      // Narrow columns keep their width; the wide ones share what is left.
      const qreal fair = width() / static_cast<qreal>(columns);
      qreal fixed = 0, wide = 0;
      for (qreal w : natural) (w <= fair ? fixed : wide) += w;
      for (qreal& w : widths)
        if (w > fair) w = w / wide * (width() - fixed);
    }
    const auto rowHeight = [&](const std::vector<std::string>& row, const QFont& font) {
      painter_.setFont(font);
      qreal h = lineHeight(font);
      for (std::size_t c = 0; c < row.size(); ++c)
        h = std::max(h, painter_.boundingRect(QRectF(0, 0, widths[c] - 2 * kCellPad, 1e6), Qt::TextWordWrap,
                                              Text(row[c]))
                            .height());
      return h + 2 * kCellPad;
    };
    const auto drawRow = [&](const std::vector<std::string>& row, const QFont& font, qreal h, bool shaded) {
      painter_.setFont(font);
      qreal x = left();
      for (std::size_t c = 0; c < columns; ++c) {
        const QRectF cell(x, y_, widths[c], h);
        if (shaded) painter_.fillRect(cell, QColor(0xE8, 0xE8, 0xE8));
        painter_.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 0));
        painter_.drawRect(cell);
        painter_.setPen(Qt::black);
        if (c < row.size())
          painter_.drawText(cell.adjusted(kCellPad, kCellPad, -kCellPad, -kCellPad), Qt::TextWordWrap,
                            Text(row[c]));
        x += widths[c];
      }
      y_ += h;
    };
    const qreal headerHeight = header ? rowHeight(rows[0], bold_) : 0;
    bool needHeader = header;
    for (std::size_t r = 1; r < rows.size(); ++r) {
      const qreal h = rowHeight(rows[r], body_);
      if (y_ + h + (needHeader ? headerHeight : 0) > bottom() && y_ > top()) {
        newPage();
        needHeader = header;
      }
      if (needHeader) {
        drawRow(rows[0], bold_, headerHeight, true);
        needHeader = false;
      }
      drawRow(rows[r], body_, h, false);
    }
    y_ += 6;
  }

  // A landscape page with the chart under its title, the chart at the page's
  // size in pixels so that its fonts and markers are as on the screen.
  void chart(const ReportChart& chart) {
    writer_.setPageOrientation(QPageLayout::Landscape);
    newPage();
    paragraph(chart.title, heading_, 6);
    const int w = static_cast<int>(width()), h = static_cast<int>(bottom() - y_);
    painter_.save();
    painter_.translate(left(), y_);
    chart.plot->renderTo(&painter_, w, h);
    painter_.restore();
    y_ = bottom();
  }

  QFont& body() { return body_; }

 private:
  qreal pageWidth() const { return writer_.width(); }
  qreal pageHeight() const { return writer_.height(); }
  qreal left() const { return kMargin; }
  qreal top() const { return kMargin; }
  qreal width() const { return pageWidth() - 2 * kMargin; }
  qreal bottom() const { return pageHeight() - kMargin; }
  qreal lineHeight(const QFont& font) const { return QFontMetricsF(font, &writer_).lineSpacing(); }

  void startPage() {
    ++page_;
    y_ = top();
    painter_.setFont(small_);
    painter_.setPen(QColor(0x60, 0x60, 0x60));
    const QRectF foot(left(), bottom() + 8, width(), kMargin - 16);
    painter_.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, footer_);
    painter_.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("стр. %1").arg(page_));
  }
  void newPage() {
    writer_.newPage();
    startPage();
  }

  QPdfWriter& writer_;
  QString footer_;
  QCPPainter painter_;
  QFont body_, bold_, heading_, title_, small_;
  qreal y_ = 0;
  int page_ = 0;
};

}  // namespace

QString ReportFontFamily() {
  const QStringList families = QFontDatabase::families();
  for (const QString& f : {QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")})
    if (families.contains(f)) return f;
  return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QByteArray RenderReviewPdf(const dv::ReviewReport& report, const QList<ReportChart>& charts) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(Text(report.title));
    writer.setCreator(QStringLiteral("Devirarav"));
    PageWriter out(writer, Text(report.title));
    if (!out.begin()) return {};
    out.title(Text(report.title));
    for (const dv::ReportSection& section : report.sections) {
      out.heading(Text(section.title));
      for (const dv::ReportBlock& block : section.blocks) {
        if (block.table.empty()) {
          out.paragraph(Text(block.text));
        } else {
          out.table(block.table);
        }
      }
    }
    for (const ReportChart& chart : charts)
      if (chart.plot) out.chart(chart);
    if (!out.end()) return {};
  }
  buffer.close();
  return bytes;
}

#pragma once
// The review report laid out as a PDF with Qt's own writer: the text on
// portrait A4 pages, then a landscape page per chart, drawn as vectors.

#include <QByteArray>
#include <QList>
#include <QString>

class TChart;

namespace dv {
struct ReviewReport;
}

struct ReportChart {
  QString title;
  TChart* plot = nullptr;
};

// The PDF's bytes; empty when it could not be made.
QByteArray RenderReviewPdf(const dv::ReviewReport& report, const QList<ReportChart>& charts);

// The family the report's text is set in: it has Cyrillic on every system the
// program runs on.
QString ReportFontFamily();

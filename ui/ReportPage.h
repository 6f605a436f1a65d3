#pragma once

#include <QFont>
#include <QRectF>
#include <QString>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace kw {

// What a report is of (archive, device, block and unit, period, ...): label
// and value, at the head of each of its pages.
using ReportHeading = std::vector<std::pair<std::string, std::string>>;
using ReportHeadingSource = std::function<ReportHeading()>;

// The frame of each page of a PDF report: the heading with the time of
// printing above a rule, "strana N z M" at the foot, the body between.
class ReportPageFrame {
public:
    // Laid out for the device's current page (orientation included).
    ReportPageFrame(QPagedPaintDevice& device, const ReportHeading& heading);

    // The area left for the report's own content, in device pixels.
    QRectF body() const { return m_body; }
    void draw(QPainter& painter, int page, int pages) const;

private:
    QFont m_font;
    QFont m_bold;
    std::vector<std::vector<std::pair<QString, QString>>> m_lines; // heading, line by line
    qreal m_lineHeight = 0;
    qreal m_width = 0;
    QRectF m_body;
    qreal m_footerTop = 0;
};

} // namespace kw

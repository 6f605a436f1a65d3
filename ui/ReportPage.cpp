#include "ui/ReportPage.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace kw {

namespace {

constexpr qreal FieldGap = 3; // in average characters between two fields

} // namespace

ReportPageFrame::ReportPageFrame(QPagedPaintDevice& device, const ReportHeading& heading)
{
    m_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    m_font.setPointSizeF(8);
    m_bold = m_font;
    m_bold.setBold(true);
    const QFontMetricsF plain(m_font, &device);
    const QFontMetricsF bold(m_bold, &device);
    m_lineHeight = plain.lineSpacing();
    const QRectF paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    m_width = paint.width();

    std::vector<std::pair<QString, QString>> fields;
    for (const auto& [label, value] : heading)
        fields.emplace_back(QString::fromStdString(label) + QStringLiteral(": "),
                            QString::fromStdString(value));
    fields.emplace_back(QStringLiteral("Vytištěno: "),
                        QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm")));
    // Fields fill a line each after the other; one that does not fit begins
    // the next line.
    const qreal gap = plain.averageCharWidth() * FieldGap;
    qreal x = 0;
    for (const auto& field : fields) {
        const qreal width =
            bold.horizontalAdvance(field.first) + plain.horizontalAdvance(field.second);
        if (m_lines.empty() || (x > 0 && x + gap + width > m_width)) {
            m_lines.emplace_back();
            x = 0;
        } else {
            x += gap;
        }
        m_lines.back().push_back(field);
        x += width;
    }
    const qreal top = m_lineHeight * (static_cast<qreal>(m_lines.size()) + 1);
    m_footerTop = paint.height() - m_lineHeight * 1.5;
    m_body = QRectF(0, top, m_width, m_footerTop - top - m_lineHeight * 0.5);
}

void ReportPageFrame::draw(QPainter& painter, int page, int pages) const
{
    painter.save();
    painter.setPen(Qt::black);
    const QFontMetricsF plain(m_font, painter.device());
    const QFontMetricsF bold(m_bold, painter.device());
    const qreal gap = plain.averageCharWidth() * FieldGap;
    qreal y = plain.ascent();
    for (const auto& line : m_lines) {
        qreal x = 0;
        for (const auto& [label, value] : line) {
            painter.setFont(m_bold);
            painter.drawText(QPointF(x, y), label);
            x += bold.horizontalAdvance(label);
            painter.setFont(m_font);
            painter.drawText(QPointF(x, y), value);
            x += plain.horizontalAdvance(value) + gap;
        }
        y += m_lineHeight;
    }
    const qreal rule = m_body.top() - m_lineHeight * 0.5;
    painter.setPen(QPen(Qt::black, m_lineHeight / 20));
    painter.drawLine(QPointF(0, rule), QPointF(m_width, rule));
    painter.setFont(m_font);
    painter.drawText(QRectF(0, m_footerTop, m_width, m_lineHeight * 1.5), Qt::AlignCenter,
                     QStringLiteral("strana %1 z %2").arg(page).arg(pages));
    painter.restore();
}

} // namespace kw

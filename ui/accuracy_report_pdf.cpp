#include "ui/accuracy_report_pdf.h"

#include <qcustomplot.h>

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "ui/window_style.h"

namespace ui {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

bool WriteAccuracyReportPdf(const QString& path, const app::AccuracyReportData& report,
                            QCustomPlot& chart) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(Text(report.title));
    writer.setCreator(QStringLiteral("QX5520"));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const double width = writer.width();
    // 1 point of the text, in the writer's pixels.
    const double pt = writer.resolution() / 72.0;
    double y = 0;
    auto text = [&](const std::string& line, int size, bool bold = false) {
        QFont font = WindowFont();
        font.setPointSize(size);
        font.setBold(bold);
        painter.setFont(font);
        const QRectF box(0, y, width, 1e6);
        const QRectF used = painter.boundingRect(box, Qt::TextWordWrap, Text(line));
        painter.drawText(box, Qt::TextWordWrap, Text(line));
        y += used.height() + 3 * pt;
    };
    text(report.title, 16, true);
    y += 4 * pt;
    for (const std::string& line : report.lines) text(line, 10);
    y += 4 * pt;

    // The chart as on the screen at 700 × 360, drawn three times as fine and scaled to the
    // page's width (some 250 dpi on the page).
    constexpr int kChartWidth = 700, kChartHeight = 360;
    const double chartHeight = width * kChartHeight / kChartWidth;
    painter.drawPixmap(QRectF(0, y, width, chartHeight),
                       chart.toPixmap(kChartWidth, kChartHeight, 3.0), QRectF());
    y += chartHeight + 8 * pt;

    // The harmonics table: three columns of a fixed width, the headings bold and underlined.
    QFont font = WindowFont();
    font.setPointSize(10);
    const double row = 14 * pt, column = 110 * pt;
    auto cells = [&](const std::array<std::string, 3>& values, bool bold) {
        font.setBold(bold);
        painter.setFont(font);
        for (int c = 0; c < 3; ++c) {
            painter.drawText(QRectF(c * column, y, column, row), Qt::AlignRight | Qt::AlignVCenter,
                             Text(values[static_cast<size_t>(c)]));
        }
    };
    cells(report.harmonicsHeadings, true);
    painter.drawLine(QPointF(0, y + row), QPointF(3 * column, y + row));
    y += row + 2 * pt;
    for (const auto& harmonic : report.harmonics) {
        cells(harmonic, false);
        y += row;
    }
    y += 8 * pt;

    // The configuration, four fields a line.
    text(report.configurationHeading, 10, true);
    font.setBold(false);
    font.setPointSize(8);
    painter.setFont(font);
    const double fieldWidth = width / 4;
    const double fieldRow = 11 * pt;
    for (size_t i = 0; i < report.configuration.size(); ++i) {
        const double x = static_cast<double>(i % 4) * fieldWidth;
        const double top = y + static_cast<double>(i / 4) * fieldRow;
        painter.drawText(QRectF(x, top, fieldWidth, fieldRow), Qt::AlignLeft | Qt::AlignVCenter,
                         Text(report.configuration[i]));
    }
    return painter.end();
}

}  // namespace ui

// The accuracy report as a one-page A4 PDF: the session's lines, the chart as the page shows
// it, the harmonics table and the configuration in force.
#pragma once

#include <QString>

#include "app/analysis/accuracy_session.h"

class QCustomPlot;

namespace ui {

/// Draws the report to `path`; false when the file cannot be written.
bool WriteAccuracyReportPdf(const QString& path, const app::AccuracyReportData& report,
                            QCustomPlot& chart);

}  // namespace ui

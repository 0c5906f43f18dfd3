// What every measurement chart offers beside its points: a context menu to save its picture
// (PNG or PDF) or all of its data (CSV), or copy the picture, and the value under the cursor
// as a tooltip.
#pragma once

#include <QList>
#include <functional>
#include <ostream>

class QAction;
class QCustomPlot;

namespace ui {

struct WindowContext;

/// writeCsv writes every point of the chart (not only those drawn); extra actions are added
/// to the menu after the three of every chart.
void InstallChartMenu(QCustomPlot* chart, WindowContext& context,
                      std::function<bool(std::ostream&)> writeCsv,
                      std::function<QList<QAction*>()> extraActions = {});

}  // namespace ui

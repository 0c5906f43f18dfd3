#include "ui/chart_menu.h"

#include <qcustomplot.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>
#include <fstream>

#include "chip/utf8_path.h"
#include "ui/message_box.h"
#include "ui/window_context.h"

namespace ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The value under the cursor, as a tooltip over the plot area.
class ValueTip : public QObject {
  public:
    explicit ValueTip(QCustomPlot* chart) : QObject(chart), chart_(chart) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return QObject::eventFilter(watched, event);
        const auto* help = static_cast<QHelpEvent*>(event);
        if (!chart_->axisRect()->rect().contains(help->pos())) {
            QToolTip::hideText();
            return true;
        }
        const double x = chart_->xAxis->pixelToCoord(help->pos().x());
        const double y = chart_->yAxis->pixelToCoord(help->pos().y());
        QToolTip::showText(help->globalPos(),
                           QStringLiteral("%1; %2").arg(x, 0, 'f', 0).arg(y, 0, 'f', 0), chart_);
        return true;
    }

  private:
    QCustomPlot* chart_;
};

void SavePicture(QCustomPlot* chart, WindowContext& context) {
    const QString file =
        ChooseFile(chart, true, Text(context.texts.analysis.vSavePicture).remove(QChar(0x2026)),
                   QDir::homePath() + QLatin1Char('/') + chart->objectName() + ".png",
                   QStringLiteral("PNG (*.png);;PDF (*.pdf)"));
    if (file.isEmpty()) return;
    const bool pdf =
        QFileInfo(file).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    const bool saved = pdf ? chart->savePdf(file) : chart->savePng(file);
    if (!saved && context.reportError) {
        context.reportError(Text(context.texts.analysis.vCannotWrite).arg(file));
    }
}

void SaveData(QCustomPlot* chart, WindowContext& context,
              const std::function<bool(std::ostream&)>& writeCsv) {
    const QString file =
        ChooseFile(chart, true, Text(context.texts.analysis.vSaveData).remove(QChar(0x2026)),
                   QDir::homePath() + QLatin1Char('/') + chart->objectName() + ".csv",
                   QStringLiteral("CSV (*.csv)"));
    if (file.isEmpty()) return;
    // Millions of points take seconds: the cursor says so.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::ofstream out(chip::PathFromUtf8(file.toStdString()), std::ios::binary | std::ios::trunc);
    const bool written = out && writeCsv(out) && (out.flush(), static_cast<bool>(out));
    QApplication::restoreOverrideCursor();
    if (!written && context.reportError) {
        context.reportError(Text(context.texts.analysis.vCannotWrite).arg(file));
    }
}

}  // namespace

void InstallChartMenu(QCustomPlot* chart, WindowContext& context,
                      std::function<bool(std::ostream&)> writeCsv,
                      std::function<QList<QAction*>()> extraActions) {
    chart->installEventFilter(new ValueTip(chart));
    chart->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(chart, &QWidget::customContextMenuRequested, chart,
                     [chart, &context, writeCsv = std::move(writeCsv),
                      extraActions = std::move(extraActions)](const QPoint& at) {
                         auto* menu = new QMenu(chart);
                         menu->setObjectName(chart->objectName() + "Menu");
                         menu->setAttribute(Qt::WA_DeleteOnClose);
                         const app::AnalysisTexts& texts = context.texts.analysis;
                         menu->addAction(Text(texts.vSavePicture), chart,
                                         [chart, &context] { SavePicture(chart, context); });
                         menu->addAction(Text(texts.vSaveData), chart, [chart, &context, writeCsv] {
                             SaveData(chart, context, writeCsv);
                         });
                         menu->addAction(Text(texts.vCopyPicture), chart, [chart] {
                             QApplication::clipboard()->setPixmap(chart->toPixmap());
                         });
                         if (extraActions) {
                             menu->addSeparator();
                             for (QAction* action : extraActions()) {
                                 action->setParent(menu);
                                 menu->addAction(action);
                             }
                         }
                         menu->popup(chart->mapToGlobal(at));
                     });
}

}  // namespace ui

#include "ui/xy_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cmath>
#include <numbers>

#include "app/files/log_file.h"
#include "app/readings/chip_readings.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "ui/chart_menu.h"
#include "ui/fit_panel.h"
#include "ui/window_style.h"

namespace ui {

namespace {

constexpr double kAxisLimit = 4500;

using LabelField = QLabel* XYPage::*;

struct StatisticsRow {
    const char* text;
    const char* nameName;
    LabelField name;
    const char* valueName;
    LabelField value;
};

struct StatisticsBlock {
    const char* headingText;
    const char* headingName;
    LabelField heading;
    StatisticsRow rows[4];
};

const StatisticsBlock kStatisticsBlocks[] = {
    {"Канал X (Синус):",
     "LabelXYSinL",
     &XYPage::LabelXYSinL,
     {{"Максимум: ", "LabelXYSinMAX", &XYPage::LabelXYSinMAX, "LabelXYSinMAXV",
       &XYPage::LabelXYSinMAXV},
      {"Минимум:", "LabelXYSinMIN", &XYPage::LabelXYSinMIN, "LabelXYSinMINV",
       &XYPage::LabelXYSinMINV},
      {"Смещение: ", "LabelXYSinOFFSET", &XYPage::LabelXYSinOFFSET, "LabelXYSinOFFSETV",
       &XYPage::LabelXYSinOFFSETV},
      {"Амплитуда:", "LabelXYSinAMPL", &XYPage::LabelXYSinAMPL, "LabelXYSinAMPLV",
       &XYPage::LabelXYSinAMPLV}}},
    {"Канал Y (Косинус):",
     "LabelXYCosL",
     &XYPage::LabelXYCosL,
     {{"Максимум: ", "LabelXYCosMAX", &XYPage::LabelXYCosMAX, "LabelXYCosMAXV",
       &XYPage::LabelXYCosMAXV},
      {"Минимум:", "LabelXYCosMIN", &XYPage::LabelXYCosMIN, "LabelXYCosMINV",
       &XYPage::LabelXYCosMINV},
      {"Смещение: ", "LabelXYCosOFFSET", &XYPage::LabelXYCosOFFSET, "LabelXYCosOFFSETV",
       &XYPage::LabelXYCosOFFSETV},
      {"Амплитуда:", "LabelXYCosAMPL", &XYPage::LabelXYCosAMPL, "LabelXYCosAMPLV",
       &XYPage::LabelXYCosAMPLV}}},
};

}  // namespace

XYPage::XYPage(WindowContext& context, QWidget* parent)
    : QWidget(parent),
      btnStartXYChart(Named(new QPushButton(QString::fromUtf8("Старт"), this), "btnStartXYChart")),
      EditXYInt(Named(new QLineEdit("100", this), "EditXYInt")),
      TimerXYData(Named(new QTimer(this), "TimerXYData")),
      context_(context),
      readout_(
          context, btnStartXYChart, EditXYInt, TimerXYData, [this] { TimerXYDataTimer(); },
          [this] {
              Statistics.Reset();
              StartFit();
          }) {
    setObjectName("tsXYChart");
    LabelFilename1 = Named(new QLabel(QString::fromUtf8("Файл данных"), this), "LabelFilename1");
    EditXYFilename = Named(new QLineEdit(this), "EditXYFilename");
    cbSaveXYToFile =
        Named(new QCheckBox(QString::fromUtf8("Сохранять на файл"), this), "cbSaveXYToFile");
    LabelInterval = Named(new QLabel(QString::fromUtf8("Интервал, мс"), this), "LabelInterval");
    btnClear3 = Named(new QPushButton(QString::fromUtf8("Сбросить"), this), "btnClear3");
    btnCentreSignals = Named(new QPushButton(Design("Центрировать"), this), "btnCentreSignals");
    btnMatchAmplitudes =
        Named(new QPushButton(Design("Выровнять амплитуды"), this), "btnMatchAmplitudes");
    TimerXYData->setInterval(200);

    ChartXY = Named(new PointCloudChart(this), "ChartXY");
    ChartXY->setFixedSize(490, 490);
    ChartXY->SetFixedRange(-kAxisLimit, kAxisLimit);
    ChartXY->xAxis->setTickLabelRotation(90);
    ChartXY->setInteractions(QCP::Interactions());
    ChartXY->addLayer("fit", ChartXY->layer("points"), QCustomPlot::limAbove);
    FitCurve = new QCPCurve(ChartXY->xAxis, ChartXY->yAxis);
    FitCurve->setLayer("fit");
    FitCurve->setPen(QPen(QColor(220, 0, 0), 2));
    FitCurve->setAntialiased(true);

    // The statistics panel: an X block above a Y block, each a heading and four rows of a
    // name label and a value label.
    Panel5 = Named(new QWidget(this), "Panel5");
    auto* stats = new QGridLayout(Panel5);
    int row = 0;
    auto label = [this](const char* text, const char* name) {
        return Named(new QLabel(QString::fromUtf8(text), Panel5), name);
    };
    for (const StatisticsBlock& block : kStatisticsBlocks) {
        this->*block.heading = label(block.headingText, block.headingName);
        stats->addWidget(this->*block.heading, row++, 0, 1, 2);
        for (const StatisticsRow& line : block.rows) {
            this->*line.name = label(line.text, line.nameName);
            this->*line.value = label("0", line.valueName);
            stats->addWidget(this->*line.name, row, 0);
            stats->addWidget(this->*line.value, row++, 1);
        }
        stats->setRowMinimumHeight(row++, 12);
    }
    stats->setRowStretch(row, 1);
    stats->setColumnStretch(2, 1);

    // The chart's 490 pixels leave the top row 28 of the page's 518: the captions sit right on
    // their edits, and the check box and buttons reach up beside the captions.
    for (QLineEdit* edit : {EditXYFilename, EditXYInt}) edit->setFixedHeight(17);
    auto* top = new QGridLayout;
    top->setVerticalSpacing(0);
    top->addWidget(LabelFilename1, 0, 0);
    btnChooseXYFile = NewFileChooser(EditXYFilename, "btnChooseXYFile", this);
    btnChooseXYFile->setFixedHeight(17);
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    fileRow->addWidget(EditXYFilename, 1);
    fileRow->addWidget(btnChooseXYFile);
    top->addLayout(fileRow, 1, 0);
    top->addWidget(cbSaveXYToFile, 0, 1, 2, 1, Qt::AlignBottom);
    top->addWidget(btnStartXYChart, 0, 2, 2, 1, Qt::AlignBottom);
    top->addWidget(LabelInterval, 0, 3);
    top->addWidget(EditXYInt, 1, 3);
    top->addWidget(btnClear3, 0, 4, 2, 1, Qt::AlignBottom);
    top->addWidget(btnCentreSignals, 0, 5, 2, 1, Qt::AlignBottom);
    top->addWidget(btnMatchAmplitudes, 0, 6, 2, 1, Qt::AlignBottom);
    top->setColumnStretch(0, 1);
    PanelFit = new FitPanel(this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ChartXY, 0, Qt::AlignTop);
    auto* right = new QVBoxLayout;
    right->addWidget(Panel5);
    right->addWidget(PanelFit, 1);
    bottom->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addLayout(bottom, 1);

    connect(btnStartXYChart, &QPushButton::clicked, this, &XYPage::btnStartXYChartClick);
    connect(btnClear3, &QPushButton::clicked, this, &XYPage::btnClear3Click);
    connect(cbSaveXYToFile, &QCheckBox::toggled, this, &XYPage::cbSaveToFileClick);
    Caption(LabelInterval, EditXYInt);
    Caption(LabelFilename1, EditXYFilename);
    connect(TimerXYData, &QTimer::timeout, this, &XYPage::TimerXYDataTimer);
    InstallChartMenu(
        ChartXY, context_, [this](std::ostream& out) { return ChartXY->WriteCsv(out); },
        [this] {
            const app::AnalysisTexts& texts = context_.texts.analysis;
            auto* fit = new QAction(QString::fromStdString(texts.vFitToData));
            connect(fit, &QAction::triggered, ChartXY, &PointCloudChart::FitToData);
            auto* fixed = new QAction(QString::fromStdString(texts.vFixedAxes));
            connect(fixed, &QAction::triggered, ChartXY, &PointCloudChart::ShowFixedRange);
            return QList<QAction*>{fit, fixed};
        });
}

void XYPage::btnStartXYChartClick() {
    readout_.StartStopClick();
}

void XYPage::TimerXYDataTimer() {
    readout_.Tick([this] {
        if (context_.chip == nullptr) return;
        // The cosine is read first and the sine one read later: half the reading's time
        // apart, which the fit takes out of its phase while the magnet turns.
        const double before = Now();
        const app::XYPoint point = app::ReadXYPoint(*context_.chip);
        const double skew = (Now() - before) / 2;
        // The last reading of a run is always shown.
        ShowPoint(point, !context_.bStarted, Timing{before, skew});
        if (cbSaveXYToFile->isChecked())
            app::AppendLogLine(EditXYFilename->text().toStdString(), app::kXYLogHeader,
                               app::XYLogLine(point));
    });
}

double XYPage::Now() const {
    if (context_.seconds) return context_.seconds();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void XYPage::ShowPoint(const app::XYPoint& point, bool fitNow, std::optional<Timing> timing) {
    Statistics.Add(point);
    ShowStatistics();
    if (timing) {
        Fit.AddTimed(point.X, point.Y, timing->seconds, timing->skewSeconds);
    } else {
        Fit.Add(point.X, point.Y);
    }
    if (fitNow || !fitShown_.isValid() || fitShown_.elapsed() >= kFitPeriodMs) ShowFit();
    ChartXY->AddPoint(point.X, point.Y);
}

void XYPage::Restart() {
    Statistics.Reset();
    ShowStatistics();
    StartFit();
    ChartXY->ClearPoints();
}

void XYPage::ShowStatistics() {
    LabelXYSinMAXV->setText(QString::number(Statistics.XYMaxX));
    LabelXYSinMINV->setText(QString::number(Statistics.XYMinX));
    LabelXYSinOFFSETV->setText(QString::number(Statistics.OffsetX()));
    LabelXYSinAMPLV->setText(QString::number(Statistics.AmplitudeX()));
    LabelXYCosMAXV->setText(QString::number(Statistics.XYMaxY));
    LabelXYCosMINV->setText(QString::number(Statistics.XYMinY));
    LabelXYCosOFFSETV->setText(QString::number(Statistics.OffsetY()));
    LabelXYCosAMPLV->setText(QString::number(Statistics.AmplitudeY()));
}

void XYPage::StartFit() {
    Fit.Reset();
    PanelFit->Clear();
    FitCurve->data()->clear();
    fitShown_.invalidate();
    ChartXY->replot(QCustomPlot::rpQueuedReplot);
}

void XYPage::ShowFit() {
    fitShown_.start();
    auto lit = [this](const char* indicator) {
        return context_.statusLit && context_.statusLit(indicator);
    };
    app::FitShortfall why = app::FitShortfall::None;
    const std::optional<app::LissajousResult> r = Fit.Fit(&why);
    PanelFit->Show(r, why, Fit.Count(), Statistics, context_.texts.analysis, lit("rbOTR_X"),
                   lit("rbOTR_Y"));
    FitCurve->data()->clear();
    if (r) {
        constexpr int kSteps = 360;
        // Drawn over the points as read: with the reading skew the fit took out of the phase.
        const double phase = (r->phaseDegrees - r->skewCorrectionDegrees) * std::numbers::pi / 180;
        QVector<double> t(kSteps + 1), x(kSteps + 1), y(kSteps + 1);
        for (int i = 0; i <= kSteps; ++i) {
            t[i] = i;
            const double a = 2 * std::numbers::pi * i / kSteps;
            x[i] = r->offsetX + r->amplitudeX * std::sin(a);
            y[i] = r->offsetY + r->amplitudeY * std::cos(a + phase);
        }
        FitCurve->setData(t, x, y, true);
    }
    ChartXY->replot(QCustomPlot::rpQueuedReplot);
}

void XYPage::btnClear3Click() {
    ChartXY->ClearPoints();
}

void XYPage::cbSaveToFileClick() {
    if (context_.saveSettings) context_.saveSettings();
}

}  // namespace ui

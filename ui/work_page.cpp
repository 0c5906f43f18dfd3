#include "ui/work_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/files/log_file.h"
#include "app/readings/chip_readings.h"
#include "app/readings/readout_format.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "ui/angle_stats_panel.h"
#include "ui/chart_menu.h"
#include "ui/window_style.h"

namespace ui {

WorkPage::WorkPage(WindowContext& context, QWidget* parent)
    : QWidget(parent),
      BtnStartAngleWrkData(
          Named(new QPushButton(QString::fromUtf8("Старт"), this), "BtnStartAngleWrkData")),
      EditAngleWorkDataInt(Named(new QLineEdit("100", this), "EditAngleWorkDataInt")),
      TimerWorkData(Named(new QTimer(this), "TimerWorkData")),
      context_(context),
      readout_(
          context, BtnStartAngleWrkData, EditAngleWorkDataInt, TimerWorkData,
          [this] { TimerWorkDataTimer(); },
          [this] {
              // The interval is read after this step: the first tick resets with it.
              statsStarting_ = true;
              PanelAngleStats->Clear();
          }) {
    setObjectName("tsWork");
    LabelInterval3 = Named(new QLabel(QString::fromUtf8("Интервал, мс"), this), "LabelInterval3");
    btnClear1 = Named(new QPushButton(QString::fromUtf8("Сбросить"), this), "btnClear1");
    BtnReadAngleData =
        Named(new QPushButton(QString::fromUtf8("Читать"), this), "BtnReadAngleData");
    LabelFilename2 = Named(new QLabel(QString::fromUtf8("Файл данных"), this), "LabelFilename2");
    EditAngleDataFile = Named(new QLineEdit(this), "EditAngleDataFile");
    cbSaveToFile =
        Named(new QCheckBox(QString::fromUtf8("Сохранять на файл"), this), "cbSaveToFile");
    MemoAData = Named(new QPlainTextEdit(this), "MemoAData");
    MemoAData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoAData->setFixedWidth(427);
    MemoAData->setMinimumHeight(139);
    ChartAngle = Named(new DecimatedChart(this), "ChartAngle");
    ChartAngle->setFixedHeight(378);
    LineSeriesAngleData = ChartAngle->AddLine<uint16_t>("Angle", QColor(220, 0, 0));
    TimerWorkData->setInterval(200);

    // The top band: the controls at the left, the memo at the right; the chart below.
    auto* controls = new QGridLayout;
    controls->addWidget(BtnStartAngleWrkData, 0, 0, 2, 1);
    controls->addWidget(LabelInterval3, 0, 1);
    controls->addWidget(EditAngleWorkDataInt, 1, 1);
    controls->addWidget(btnClear1, 0, 2, 2, 1);
    controls->addWidget(BtnReadAngleData, 0, 3, 2, 1);
    controls->addWidget(LabelFilename2, 2, 0, 1, 4);
    btnChooseAngleDataFile = NewFileChooser(EditAngleDataFile, "btnChooseAngleDataFile", this);
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    fileRow->addWidget(EditAngleDataFile, 1);
    fileRow->addWidget(btnChooseAngleDataFile);
    controls->addLayout(fileRow, 3, 0, 1, 4);
    controls->addWidget(cbSaveToFile, 4, 0, 1, 4);
    controls->setRowStretch(5, 1);
    auto* band = new QHBoxLayout;
    band->addLayout(controls, 1);
    band->addWidget(MemoAData);
    PanelAngleStats = new AngleStatsPanel(this);
    PanelAngleStats->setFixedWidth(250);
    PanelAngleStats->setFixedHeight(378);
    auto* chartRow = new QHBoxLayout;
    chartRow->setSpacing(0);
    chartRow->addWidget(ChartAngle, 1);
    chartRow->addWidget(PanelAngleStats);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);  // memo 139 + chart 378 + 1 fit the page's 518 pixels
    layout->addLayout(band, 1);
    layout->addLayout(chartRow);

    connect(BtnReadAngleData, &QPushButton::clicked, this, &WorkPage::BtnReadAngleDataClick);
    connect(BtnStartAngleWrkData, &QPushButton::clicked, this,
            &WorkPage::BtnStartAngleWrkDataClick);
    connect(btnClear1, &QPushButton::clicked, this, &WorkPage::btnClear1Click);
    // toggled: a tick by an assistive tool's toggle action saves as a click does.
    connect(cbSaveToFile, &QCheckBox::toggled, this, &WorkPage::cbSaveToFileClick);
    Caption(LabelInterval3, EditAngleWorkDataInt);
    Caption(LabelFilename2, EditAngleDataFile);
    connect(TimerWorkData, &QTimer::timeout, this, &WorkPage::TimerWorkDataTimer);
    InstallChartMenu(ChartAngle, context_,
                     [this](std::ostream& out) { return ChartAngle->WriteCsv(out); });
    ChartAngle->SetHeldNoteText(
        [this] { return QString::fromStdString(context_.texts.analysis.vViewHeld); });
}

void WorkPage::BtnReadAngleDataClick() {
    if (context_.chip == nullptr || RefusedWhileRecording(context_)) return;
    const ChipOperation operation(context_);
    try {
        MemoAData->appendPlainText(
            QString::fromStdString(app::SingleReadLine(app::ReadAngleSample(*context_.chip))));
    } catch (const std::exception& error) {
        ReportError(context_, error.what());
    }
}

void WorkPage::BtnStartAngleWrkDataClick() {
    readout_.StartStopClick();
}

void WorkPage::TimerWorkDataTimer() {
    readout_.Tick([this] {
        if (context_.chip == nullptr) return;
        const app::AngleSample sample = app::ReadAngleSample(*context_.chip);
        ChartAngle->Append(LineSeriesAngleData, int64_t{AngleTickCount}, sample.AngleData);
        if (statsStarting_) {
            statsStarting_ = false;
            AngleStats.Reset(readout_.Interval());
            sinceStart_.start();
            statsShown_.invalidate();
        }
        AngleStats.Add(sample.AngleData, static_cast<double>(sinceStart_.nsecsElapsed()) / 1e6);
        // The last reading of a run is always shown.
        if (!context_.bStarted || !statsShown_.isValid() || statsShown_.elapsed() >= kStatsPeriodMs)
            ShowAngleStats();
        if (cbSaveToFile->isChecked())
            app::AppendLogLine(EditAngleDataFile->text().toStdString(), app::kAngleLogHeader,
                               app::AngleLogLine(sample));
        ++AngleTickCount;
    });
}

void WorkPage::ShowAngleStats() {
    statsShown_.start();
    PanelAngleStats->Show(AngleStats);
}

void WorkPage::btnClear1Click() {
    ChartAngle->ClearLines();
}

void WorkPage::cbSaveToFileClick() {
    if (context_.saveSettings) context_.saveSettings();
}

}  // namespace ui

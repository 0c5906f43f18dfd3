#include "ui/charts_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include "app/files/log_file.h"
#include "app/readings/chip_readings.h"
#include "app/readings/readout_format.h"
#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"
#include "ui/chart_menu.h"
#include "ui/window_style.h"

namespace ui {

namespace {

DecimatedChart* NewChart(const char* name) {
    auto* chart = Named(new DecimatedChart, name);
    chart->legend->setVisible(true);
    chart->legend->setBrush(QColor(255, 255, 255, 230));
    // The newest points are drawn at the right end of the plot: the legend stands beside
    // the plot, not over it.
    chart->axisRect()->insetLayout()->take(chart->legend);
    auto* side = new QCPLayoutGrid;
    chart->plotLayout()->addElement(0, 1, side);
    chart->plotLayout()->setColumnStretchFactor(1, 0.001);
    side->addElement(0, 0, chart->legend);
    side->addElement(1, 0, new QCPLayoutElement(chart));  // the room below the legend
    side->setRowStretchFactor(0, 0.001);
    side->setRowSpacing(0);
    chart->legend->setMargins(QMargins(4, 2, 4, 2));
    chart->setMinimumHeight(40);
    return chart;
}

}  // namespace

ChartsPage::ChartsPage(WindowContext& context, QWidget* parent)
    : QWidget(parent),
      Panel3(Named(new QWidget(this), "Panel3")),
      btnStart(Named(new QPushButton(QString::fromUtf8("Старт"), Panel3), "btnStart")),
      EditInterval(Named(new QLineEdit("100", Panel3), "EditInterval")),
      Timer(Named(new QTimer(this), "Timer")),
      context_(context),
      readout_(context, btnStart, EditInterval, Timer, [this] { TimerTimer(); }) {
    setObjectName("tsCharts");
    LabelInterval2 = Named(new QLabel(QString::fromUtf8("Интервал, мс"), Panel3), "LabelInterval2");
    cbSin = Named(new QCheckBox("Reg_Sin", Panel3), "cbSin");
    cbCos = Named(new QCheckBox("Reg_Cos", Panel3), "cbCos");
    cbCordic = Named(new QCheckBox("Cordic_OUT", Panel3), "cbCordic");
    cbAng = Named(new QCheckBox("Ang_OUT", Panel3), "cbAng");
    cbAmpl = Named(new QCheckBox("Amplitude", Panel3), "cbAmpl");
    for (QCheckBox* box : {cbSin, cbCos, cbCordic, cbAng, cbAmpl}) box->setChecked(true);
    btnClear2 = Named(new QPushButton(QString::fromUtf8("Сбросить"), Panel3), "btnClear2");
    LabelFilename3 = Named(new QLabel(QString::fromUtf8("Файл данных"), Panel3), "LabelFilename3");
    EditChartsFile = Named(new QLineEdit(Panel3), "EditChartsFile");
    cbSaveChartsToFile =
        Named(new QCheckBox(QString::fromUtf8("Сохранять на файл"), Panel3), "cbSaveChartsToFile");
    Timer->setInterval(100);

    Chart1 = NewChart("Chart1");
    Chart2 = NewChart("Chart2");
    Chart3 = NewChart("Chart3");
    SeriesSin = Chart1->AddLine<int16_t>("Reg_Sin", QColor(220, 0, 0));
    SeriesCos = Chart1->AddLine<int16_t>("Reg_Cos", QColor(0, 0, 220));
    SeriesCordic = Chart2->AddLine<int16_t>("CORDIC_OUT", QColor(0, 140, 0));
    SeriesAng = Chart2->AddLine<int16_t>("ANG_OUT", QColor(200, 120, 0));
    SeriesAmpl = Chart3->AddLine<int16_t>("Amplitude", QColor(140, 0, 160));
    // One width for the three legends, so that the plots end at the same x.
    for (DecimatedChart* chart : {Chart1, Chart2, Chart3}) chart->legend->setMinimumSize(110, 0);

    ChartSplitter = Named(new QSplitter(Qt::Vertical, this), "ChartSplitter");
    ChartSplitter->setChildrenCollapsible(false);
    ChartSplitter->setHandleWidth(9);
    ChartSplitter->addWidget(Chart1);
    ChartSplitter->addWidget(Chart2);
    ChartSplitter->addWidget(Chart3);
    ChartSplitter->setStretchFactor(2, 1);
    ChartSplitter->setSizes({152, 143, 200});
    Splitter1 = Named(ChartSplitter->handle(1), "Splitter1");
    Splitter4 = Named(ChartSplitter->handle(2), "Splitter4");

    // Panel3: two rows of controls, 73 pixels high.
    Panel3->setFixedHeight(73);
    auto* row1 = new QHBoxLayout;
    row1->addWidget(btnStart);
    row1->addWidget(LabelInterval2);
    row1->addWidget(EditInterval);
    for (QCheckBox* box : {cbSin, cbCos, cbCordic, cbAng, cbAmpl}) row1->addWidget(box);
    row1->addStretch(1);
    row1->addWidget(btnClear2);
    auto* row2 = new QHBoxLayout;
    row2->addWidget(LabelFilename3);
    row2->addWidget(EditChartsFile, 1);
    btnChooseChartsFile = NewFileChooser(EditChartsFile, "btnChooseChartsFile", Panel3);
    row2->addWidget(btnChooseChartsFile);
    row2->addWidget(cbSaveChartsToFile);
    auto* panelLayout = new QVBoxLayout(Panel3);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    panelLayout->addLayout(row1);
    panelLayout->addLayout(row2);
    EditInterval->setMaximumWidth(60);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel3);
    layout->addWidget(ChartSplitter, 1);

    connect(btnStart, &QPushButton::clicked, this, &ChartsPage::btnStartClick);
    connect(btnClear2, &QPushButton::clicked, this, &ChartsPage::btnClear2Click);
    connect(cbSaveChartsToFile, &QCheckBox::toggled, this, &ChartsPage::cbSaveChartsToFileClick);
    Caption(LabelInterval2, EditInterval);
    Caption(LabelFilename3, EditChartsFile);
    connect(cbSin, &QCheckBox::toggled, this, &ChartsPage::cbSinClick);
    connect(cbCos, &QCheckBox::toggled, this, &ChartsPage::cbCosClick);
    connect(cbCordic, &QCheckBox::toggled, this, &ChartsPage::cbCordicClick);
    connect(cbAng, &QCheckBox::toggled, this, &ChartsPage::cbAngClick);
    connect(cbAmpl, &QCheckBox::toggled, this, &ChartsPage::cbAmplClick);
    connect(Timer, &QTimer::timeout, this, &ChartsPage::TimerTimer);
    for (DecimatedChart* chart : {Chart1, Chart2, Chart3}) {
        InstallChartMenu(chart, context_,
                         [chart](std::ostream& out) { return chart->WriteCsv(out); });
        chart->SetHeldNoteText(
            [this] { return QString::fromStdString(context_.texts.analysis.vViewHeld); });
    }
}

void ChartsPage::btnStartClick() {
    readout_.StartStopClick();
}

void ChartsPage::TimerTimer() {
    readout_.Tick([this] {
        if (context_.chip == nullptr) return;
        const app::ChartSample sample = app::ReadChartSample(*context_.chip);
        // Every value fits 16 bits: 13-bit codes, signed or not.
        const int64_t x = ChartTickCount;
        Chart1->Append(SeriesSin, x, static_cast<int16_t>(sample.Sine));
        Chart1->Append(SeriesCos, x, static_cast<int16_t>(sample.Cosine));
        Chart2->Append(SeriesCordic, x, static_cast<int16_t>(sample.Cordic));
        Chart2->Append(SeriesAng, x, static_cast<int16_t>(sample.Angle));
        Chart3->Append(SeriesAmpl, x, static_cast<int16_t>(sample.Amplitude));
        if (cbSaveChartsToFile->isChecked())
            app::AppendLogLine(EditChartsFile->text().toStdString(), app::kChartLogHeader,
                               app::ChartLogLine(sample));
        ++ChartTickCount;
    });
}

void ChartsPage::btnClear2Click() {
    Chart1->ClearLines();
    Chart2->ClearLines();
    Chart3->ClearLines();
}

void ChartsPage::cbSaveChartsToFileClick() {
    if (context_.saveSettings) context_.saveSettings();
}

void ChartsPage::cbSinClick() {
    Chart1->SetLineVisible(SeriesSin, cbSin->isChecked());
}
void ChartsPage::cbCosClick() {
    Chart1->SetLineVisible(SeriesCos, cbCos->isChecked());
}
void ChartsPage::cbCordicClick() {
    Chart2->SetLineVisible(SeriesCordic, cbCordic->isChecked());
}
void ChartsPage::cbAngClick() {
    Chart2->SetLineVisible(SeriesAng, cbAng->isChecked());
}
void ChartsPage::cbAmplClick() {
    Chart3->SetLineVisible(SeriesAmpl, cbAmpl->isChecked());
}

}  // namespace ui

#include "ui/accuracy_page.h"

#include <qcustomplot.h>

#include <QAction>
#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>

#include "app/config/integer_text.h"
#include "app/readings/chip_readings.h"
#include "chip/ASens_Digital.h"
#include "chip/utf8_path.h"
#include "ui/accuracy_report_pdf.h"
#include "ui/chart_menu.h"
#include "ui/figure_grid.h"
#include "ui/message_box.h"
#include "ui/reference_dialog.h"
#include "ui/window_style.h"

namespace ui {

namespace {

constexpr int kDefaultRevolutions = 5;
constexpr int kMaxRevolutions = 1000;
/// The chart draws at most this many readings (evenly picked); the curve is drawn whole.
constexpr size_t kDrawnReadings = 20000;
constexpr QChar kDegree(0x00B0);
constexpr QChar kDash(0x2014);

enum Export { kCurve, kHarmonics, kReadings, kReport };

QString Degrees(double value, int decimals) {
    return QString::number(value, 'f', decimals) + kDegree;
}

bool WriteFile(const QString& path, const std::function<bool(std::ostream&)>& write) {
    std::ofstream out(chip::PathFromUtf8(path.toStdString()), std::ios::binary | std::ios::trunc);
    return out && write(out) && (out.flush(), static_cast<bool>(out));
}

}  // namespace

AccuracyPage::AccuracyPage(WindowContext& context, QWidget* parent)
    : QWidget(parent),
      EditAccInt(Named(new QLineEdit("10", this), "EditAccInt")),
      btnStartAccuracy(
          Named(new QPushButton(QString::fromUtf8("Старт"), this), "btnStartAccuracy")),
      TimerAccuracy(Named(new QTimer(this), "TimerAccuracy")),
      context_(context),
      readout_(
          context, btnStartAccuracy, EditAccInt, TimerAccuracy, [this] { TimerAccuracyTimer(); },
          [this] { Begin(); }) {
    setObjectName("tsAccuracy");
    readout_.SetExclusive();
    LabelAccRevs = Named(new QLabel(Design("Обороты"), this), "LabelAccRevs");
    EditAccRevs = Named(new QLineEdit(QString::number(kDefaultRevolutions), this), "EditAccRevs");
    LabelAccInterval = Named(new QLabel(Design("Интервал, мс"), this), "LabelAccInterval");
    LabelAccMethod = Named(new QLabel(Design("Эталон:"), this), "LabelAccMethod");
    rbAccConstant = Named(new QRadioButton(Design("Постоянная скорость"), this), "rbAccConstant");
    rbAccReference = Named(new QRadioButton(Design("Файл эталона"), this), "rbAccReference");
    rbAccConstant->setChecked(true);
    auto* methods = new QButtonGroup(this);
    methods->addButton(rbAccConstant);
    methods->addButton(rbAccReference);
    LabelAccRefFile =
        Named(new QLabel(Design("Файл эталона (время и угол)"), this), "LabelAccRefFile");
    EditAccRefFile = Named(new QLineEdit(this), "EditAccRefFile");
    EditAccRefFile->setReadOnly(true);
    btnChooseRefFile = Named(new QPushButton(Design("Выбрать…"), this), "btnChooseRefFile");
    btnAccExport = Named(new QPushButton(Design("Экспорт"), this), "btnAccExport");
    btnAccExport->setEnabled(false);
    ProgressAccuracy = Named(new QProgressBar(this), "ProgressAccuracy");
    ProgressAccuracy->setRange(0, 1000);
    ProgressAccuracy->setValue(0);
    ProgressAccuracy->setTextVisible(false);
    LabelAccState = Named(new QLabel(this), "LabelAccState");
    LabelAccState->setWordWrap(true);
    for (QLineEdit* edit : {EditAccRevs, EditAccInt}) edit->setMaximumWidth(Scaled(70));

    ChartAccuracy = Named(new QCustomPlot(this), "ChartAccuracy");
    ChartAccuracy->setMinimumSize(Scaled(420), Scaled(300));
    readingsGraph_ = ChartAccuracy->addGraph();
    readingsGraph_->setLineStyle(QCPGraph::lsNone);
    readingsGraph_->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssDisc, QColor(150, 150, 150), 2));
    curveGraph_ = ChartAccuracy->addGraph();
    curveGraph_->setPen(QPen(QColor(0, 70, 200), 2));
    curveGraph_->setAntialiased(true);
    QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
    ticker->setTickStep(45);
    ChartAccuracy->xAxis->setTicker(ticker);
    ChartAccuracy->xAxis->setRange(0, 360);
    ChartAccuracy->yAxis->setRange(-1, 1);

    auto* results = new QWidget(this);
    results->setObjectName("PanelAccResults");
    FigureGrid grid(results, QMargins(6, 0, 0, 0));
    LabelAccResults = grid.Heading("Результат", "LabelAccResults");
    auto line = [&grid](auto&&... args) { grid.Line(args...); };
    line(LabelAccPP, LabelAccPPV, "Размах:", "LabelAccPP", "LabelAccPPV");
    line(LabelAccRms, LabelAccRmsV, "СКЗ:", "LabelAccRms", "LabelAccRmsV");
    line(LabelAccRevsDone, LabelAccRevsDoneV, "Оборотов в анализе:", "LabelAccRevsDone",
         "LabelAccRevsDoneV");
    line(LabelAccUsed, LabelAccUsedV, "Отсчётов в анализе:", "LabelAccUsed", "LabelAccUsedV");
    line(LabelAccRate, LabelAccRateV, "Частота отсчётов:", "LabelAccRate", "LabelAccRateV");
    line(LabelAccLate, LabelAccLateV, "Запоздали или пропущены:", "LabelAccLate", "LabelAccLateV");
    line(LabelAccOffset, LabelAccOffsetV, "Смещение нуля эталона:", "LabelAccOffset",
         "LabelAccOffsetV");
    LabelAccHarmonics = grid.Heading("Гармоники ошибки", "LabelAccHarmonics");
    TableHarmonics = Named(new QTableWidget(8, 3, results), "TableHarmonics");
    TableHarmonics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableHarmonics->verticalHeader()->hide();
    TableHarmonics->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    TableHarmonics->verticalHeader()->setDefaultSectionSize(Scaled(18));
    TableHarmonics->setFixedHeight(Scaled(18) * 9 + Scaled(8));
    for (int k = 1; k <= 8; ++k) {
        auto* item = new QTableWidgetItem(QString::number(k));
        item->setTextAlignment(Qt::AlignCenter);
        TableHarmonics->setItem(k - 1, 0, item);
    }
    grid.AddWide(TableHarmonics);
    LabelAccLimits = grid.Note("LabelAccLimits");
    grid.Finish();
    results->setFixedWidth(Scaled(300));

    auto* top = new QGridLayout;
    top->setVerticalSpacing(0);
    top->addWidget(LabelAccRevs, 0, 0);
    top->addWidget(EditAccRevs, 1, 0);
    top->addWidget(LabelAccInterval, 0, 1);
    top->addWidget(EditAccInt, 1, 1);
    top->addWidget(btnStartAccuracy, 0, 2, 2, 1, Qt::AlignBottom);
    top->addWidget(LabelAccMethod, 0, 3);
    auto* methodRow = new QHBoxLayout;
    methodRow->addWidget(rbAccConstant);
    methodRow->addWidget(rbAccReference);
    top->addLayout(methodRow, 1, 3);
    top->addWidget(LabelAccRefFile, 0, 4);
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    fileRow->addWidget(EditAccRefFile, 1);
    fileRow->addWidget(btnChooseRefFile);
    top->addLayout(fileRow, 1, 4);
    top->addWidget(btnAccExport, 0, 5, 2, 1, Qt::AlignBottom);
    top->setColumnStretch(4, 1);
    auto* state = new QHBoxLayout;
    state->addWidget(ProgressAccuracy);
    state->addWidget(LabelAccState, 1);
    ProgressAccuracy->setFixedWidth(Scaled(160));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ChartAccuracy, 1);
    bottom->addWidget(results);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addLayout(top);
    layout->addLayout(state);
    layout->addLayout(bottom, 1);
    Caption(LabelAccRevs, EditAccRevs);
    Caption(LabelAccInterval, EditAccInt);
    Caption(LabelAccRefFile, EditAccRefFile);

    connect(btnStartAccuracy, &QPushButton::clicked, this, &AccuracyPage::btnStartAccuracyClick);
    connect(TimerAccuracy, &QTimer::timeout, this, &AccuracyPage::TimerAccuracyTimer);
    connect(btnChooseRefFile, &QPushButton::clicked, this, &AccuracyPage::btnChooseRefFileClick);
    // Either method analyses a recording there is again (the reference without a file says
    // so), so that what the page and the report show is always the method chosen.
    for (QRadioButton* method : {rbAccConstant, rbAccReference}) {
        connect(method, &QRadioButton::toggled, this, [this](bool on) {
            if (on && !session_.Recording().Readings().empty() && !session_.Active()) Analyse();
        });
    }
    auto* menu = new QMenu(btnAccExport);
    menu->setObjectName("MenuAccExport");
    btnAccExport->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        const app::AccuracyTexts& texts = context_.texts.accuracy;
        const std::pair<const std::string*, int> items[] = {{&texts.vExportCurve, kCurve},
                                                            {&texts.vExportHarmonics, kHarmonics},
                                                            {&texts.vExportReadings, kReadings},
                                                            {&texts.vExportReport, kReport}};
        for (const auto& [text, what] : items) {
            QAction* action =
                menu->addAction(Text(*text), this, [this, what = what] { Export(what); });
            action->setEnabled(what == kReadings ? !session_.Recording().Readings().empty()
                                                 : session_.Result().has_value());
        }
    });
    InstallChartMenu(ChartAccuracy, context_, [this](std::ostream& out) {
        const auto& result = session_.Result();
        return result && app::WriteCurveCsv(out, *result);
    });
}

void AccuracyPage::ShowIdle() {
    // The captions that come from the language's messages, set once it is loaded.
    const app::AccuracyTexts& texts = context_.texts.accuracy;
    TableHarmonics->setHorizontalHeaderLabels(
        {Text(texts.vHarmonic), Text(texts.vAmplitude), Text(texts.vPhase)});
    ChartAccuracy->xAxis->setLabel(Text(texts.vAngleAxis));
    ChartAccuracy->yAxis->setLabel(Text(texts.vErrorAxis));
    ShowResult();
    LabelAccState->setText(Text(context_.texts.accuracy.vAccIdle));
}

double AccuracyPage::Now() const {
    return context_.seconds ? context_.seconds() : session_.Now();
}

void AccuracyPage::btnStartAccuracyClick() {
    readout_.StartStopClick();
    // This page's Stop ends its recording at once: a tick still to come could otherwise find
    // the shared flag set again by another page's Start and record on.
    if (session_.Active() && !context_.bStarted) {
        TimerAccuracy->stop();
        Finish();
    }
}

void AccuracyPage::Begin() {
    const int revolutions =
        std::clamp(app::IntegerTextOr(EditAccRevs->text().toStdString(), kDefaultRevolutions), 1,
                   kMaxRevolutions);
    EditAccRevs->setText(QString::number(revolutions));
    // A recording needs its ticks: an interval below 1 ms would give one reading and stop.
    if (app::IntegerTextOr(EditAccInt->text().toStdString(), 100) < 1) EditAccInt->setText("1");
    session_.Begin(
        revolutions, context_.chip,
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString());
    btnAccExport->setEnabled(false);
    ShowResult();
    ShowProgress();
}

void AccuracyPage::TimerAccuracyTimer() {
    readout_.Tick([this] {
        if (context_.chip != nullptr && session_.Active()) {
            // The chip latches the angle as the frame begins, right after this time.
            const double seconds = Now();
            session_.Add(seconds, app::ReadAngleSample(*context_.chip).AngleData);
            ShowProgress();
            // The chosen revolutions are turned: the run ends as a Stop would end it.
            if (session_.Recording().Complete() && context_.bStarted) readout_.Stop();
        }
        if (session_.Active() && !context_.bStarted) Finish();
    });
    // A reading that failed ended the run (its error reported, the caption kept as the
    // readouts keep it): the recording is over too, and says so rather than "Recording…".
    if (session_.Active() && !readout_.Running()) Finish();
}

void AccuracyPage::ShowProgress() {
    ProgressAccuracy->setValue(static_cast<int>(session_.Progress() * ProgressAccuracy->maximum()));
    LabelAccState->setText(Text(session_.ProgressLine(context_.texts.accuracy)));
}

void AccuracyPage::Finish() {
    SetMethod();
    const std::string state = session_.Finish(context_.texts.accuracy);
    ShowOutcome(state);
}

void AccuracyPage::SetMethod() {
    session_.SetMethod(rbAccReference->isChecked() ? app::AccuracyMethod::Reference
                                                   : app::AccuracyMethod::ConstantSpeed);
}

void AccuracyPage::Analyse() {
    SetMethod();
    ShowOutcome(session_.Analyse(context_.texts.accuracy));
}

void AccuracyPage::ShowOutcome(const std::string& state) {
    ShowResult();
    LabelAccState->setText(Text(state));
    LabelAccLimits->setText(Text(session_.LimitsLine(context_.texts.accuracy)));
}

void AccuracyPage::ShowResult() {
    btnAccExport->setEnabled(!session_.Recording().Readings().empty() && !session_.Active());
    const QString none(kDash);
    const std::optional<app::AccuracyResult>& result = session_.Result();
    if (!result) {
        for (QLabel* value : {LabelAccPPV, LabelAccRmsV, LabelAccRevsDoneV, LabelAccUsedV,
                              LabelAccRateV, LabelAccLateV, LabelAccOffsetV})
            value->setText(none);
        for (int row = 0; row < 8; ++row) {
            for (int column = 1; column < 3; ++column)
                TableHarmonics->setItem(row, column, new QTableWidgetItem(none));
        }
        readingsGraph_->data()->clear();
        curveGraph_->data()->clear();
        ChartAccuracy->replot(QCustomPlot::rpQueuedReplot);
        LabelAccLimits->clear();
        return;
    }
    const app::AccuracyResult& r = *result;
    LabelAccPPV->setText(Degrees(r.peakToPeak, 4));
    LabelAccRmsV->setText(Degrees(r.rms, 4));
    LabelAccRevsDoneV->setText(QString::number(r.revolutions, 'f', 0));
    LabelAccUsedV->setText(QString::number(r.used));
    LabelAccRateV->setText(QString::number(r.readingsPerSecond, 'f', 1) + QStringLiteral(" /s"));
    LabelAccLateV->setText(QString::number(r.late));
    LabelAccOffsetV->setText(rbAccReference->isChecked() ? Degrees(r.offsetDegrees, 3) : none);
    for (size_t k = 0; k < r.harmonics.size(); ++k) {
        const int row = static_cast<int>(k);
        auto* amplitude = new QTableWidgetItem(QString::number(r.harmonics[k].amplitude, 'f', 4));
        auto* phase = new QTableWidgetItem(QString::number(r.harmonics[k].phase, 'f', 1));
        amplitude->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        phase->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        TableHarmonics->setItem(row, 1, amplitude);
        TableHarmonics->setItem(row, 2, phase);
    }
    // The readings' errors as grey dots under the averaged curve.
    const size_t count = r.errorDegrees.size();
    const size_t stride = std::max<size_t>(1, (count + kDrawnReadings - 1) / kDrawnReadings);
    QVector<double> x, y;
    for (size_t i = 0; i < count; i += stride) {
        x.append(r.referenceDegrees[i]);
        y.append(r.errorDegrees[i]);
    }
    readingsGraph_->setData(x, y);
    QVector<double> cx, cy;
    // The curve closes over 360°: its last bin again before 0° and its first after 360°.
    cx.append(r.curveDegrees.back() - 360.0);
    cy.append(r.curveError.back());
    for (size_t i = 0; i < r.curveDegrees.size(); ++i) {
        cx.append(r.curveDegrees[i]);
        cy.append(r.curveError[i]);
    }
    cx.append(r.curveDegrees.front() + 360.0);
    cy.append(r.curveError.front());
    curveGraph_->setData(cx, cy, true);
    bool found = false;
    QCPRange range = readingsGraph_->getValueRange(found);
    if (!found) range = QCPRange(-1, 1);
    const double margin = std::max(0.05 * range.size(), 1e-3);
    ChartAccuracy->yAxis->setRange(range.lower - margin, range.upper + margin);
    ChartAccuracy->xAxis->setRange(0, 360);
    ChartAccuracy->replot(QCustomPlot::rpQueuedReplot);
}

void AccuracyPage::btnChooseRefFileClick() {
    const app::AccuracyTexts& texts = context_.texts.accuracy;
    const QString start =
        EditAccRefFile->text().isEmpty() ? QDir::homePath() : EditAccRefFile->text();
    const QString path =
        ChooseFile(this, false, LabelAccRefFile->text(), start, Text(texts.vRefFilter));
    if (path.isEmpty()) return;
    std::ifstream in(chip::PathFromUtf8(path.toStdString()), std::ios::binary);
    if (!in) {
        if (context_.reportError) context_.reportError(Text(texts.vRefUnreadable).arg(path));
        return;
    }
    const app::CsvPreview preview = app::PreviewCsv(in);
    if (preview.rows.empty()) {
        if (context_.reportError) context_.reportError(Text(texts.vRefEmpty).arg(path));
        return;
    }
    if (const auto columns = ChooseReferenceColumns(this, preview, texts))
        UseReference(path, *columns);
}

void AccuracyPage::UseReference(const QString& path, const app::ReferenceColumns& columns) {
    EditAccRefFile->setText(path);
    session_.SetReference(path.toStdString(), columns);
    if (!rbAccReference->isChecked()) {
        rbAccReference->setChecked(true);  // analyses a recording through its toggle
    } else if (!session_.Recording().Readings().empty() && !session_.Active()) {
        Analyse();
    }
}

void AccuracyPage::Export(int what) {
    static const char* const kNames[] = {"accuracy_curve.csv", "accuracy_harmonics.csv",
                                         "accuracy_readings.csv", "accuracy_report.pdf"};
    const app::AccuracyTexts& texts = context_.texts.accuracy;
    const std::string* titles[] = {&texts.vExportCurve, &texts.vExportHarmonics,
                                   &texts.vExportReadings, &texts.vExportReport};
    const QString path =
        ChooseFile(this, true, Text(*titles[what]).remove(QChar(0x2026)),
                   QDir::homePath() + QLatin1Char('/') + QLatin1String(kNames[what]),
                   what == kReport ? QStringLiteral("PDF (*.pdf)") : QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    bool saved = false;
    switch (what) {
        case kCurve:
            saved = SaveCurve(path);
            break;
        case kHarmonics:
            saved = SaveHarmonics(path);
            break;
        case kReadings:
            saved = SaveReadings(path);
            break;
        default:
            saved = SaveReport(path);
            break;
    }
    if (!saved && context_.reportError)
        context_.reportError(Text(context_.texts.analysis.vCannotWrite).arg(path));
}

bool AccuracyPage::SaveCurve(const QString& path) const {
    const auto& result = session_.Result();
    return result && WriteFile(path, [&result](std::ostream& out) {
               return app::WriteCurveCsv(out, *result);
           });
}

bool AccuracyPage::SaveHarmonics(const QString& path) const {
    const auto& result = session_.Result();
    return result && WriteFile(path, [&result](std::ostream& out) {
               return app::WriteHarmonicsCsv(out, *result);
           });
}

bool AccuracyPage::SaveReadings(const QString& path) const {
    return WriteFile(path, [this](std::ostream& out) {
        const auto& result = session_.Result();
        return app::WriteReadingsCsv(out, session_.Recording().Readings(),
                                     result ? &*result : nullptr);
    });
}

bool AccuracyPage::SaveReport(const QString& path) {
    const std::optional<app::AccuracyReportData> report = session_.Report(context_.texts.accuracy);
    return report && WriteAccuracyReportPdf(path, *report, *ChartAccuracy);
}

}  // namespace ui

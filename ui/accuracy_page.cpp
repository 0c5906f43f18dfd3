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
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
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

#include "app/analysis/accuracy_report.h"
#include "app/config/chip_id.h"
#include "app/config/integer_text.h"
#include "app/readings/chip_readings.h"
#include "chip/ASens_Digital.h"
#include "chip/utf8_path.h"
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
            if (on && !recording_.Readings().empty() && !active_) Analyse();
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
            action->setEnabled(what == kReadings ? !recording_.Readings().empty()
                                                 : result_.has_value());
        }
    });
    InstallChartMenu(ChartAccuracy, context_, [this](std::ostream& out) {
        return result_ && app::WriteCurveCsv(out, *result_);
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
    return context_.seconds ? context_.seconds() : clock_.Seconds();
}

void AccuracyPage::btnStartAccuracyClick() {
    readout_.StartStopClick();
    // This page's Stop ends its recording at once: a tick still to come could otherwise find
    // the shared flag set again by another page's Start and record on.
    if (active_ && !context_.bStarted) {
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
    recording_.Start(revolutions);
    clock_.Start();
    result_.reset();
    active_ = true;
    btnAccExport->setEnabled(false);
    ShowResult();
    recordedAt_ = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    identification_.clear();
    chipId_.clear();
    configuration_.clear();
    if (context_.chip != nullptr) {
        const chip::TASensDig& chip = *context_.chip;
        const uint16_t word = chip.LastIdentification();
        identification_ = word == 0xFFFF ? "?" : QString::asprintf("0x%04X", word).toStdString();
        const chip::RegisterSlot high = chip.Slot(app::kChipIdHighRegister);
        const chip::RegisterSlot low = chip.Slot(app::kChipIdLowRegister);
        chipId_ = high.Actual && low.Actual
                      ? app::ChipIdText(static_cast<uint32_t>(high.Value) << 16 | low.Value)
                      : "?";
        configuration_ = app::ConfigurationInForce(chip);
    }
    ShowProgress();
}

void AccuracyPage::TimerAccuracyTimer() {
    readout_.Tick([this] {
        if (context_.chip != nullptr && active_) {
            // The chip latches the angle as the frame begins, right after this time.
            const double seconds = Now();
            const app::AngleSample sample = app::ReadAngleSample(*context_.chip);
            recording_.Add({seconds, app::AngleCodeDegrees(sample.AngleData)});
            ShowProgress();
            // The chosen revolutions are turned: the run ends as a Stop would end it.
            if (recording_.Complete() && context_.bStarted) readout_.Stop();
        }
        if (active_ && !context_.bStarted) Finish();
    });
    // A reading that failed ended the run (its error reported, the caption kept as the
    // readouts keep it): the recording is over too, and says so rather than "Recording…".
    if (active_ && !readout_.Running()) Finish();
}

void AccuracyPage::ShowProgress() {
    const double turned = recording_.Turned();
    ProgressAccuracy->setValue(static_cast<int>(std::min(1.0, turned / recording_.Revolutions()) *
                                                ProgressAccuracy->maximum()));
    LabelAccState->setText(Text(context_.texts.accuracy.vAccProgress)
                               .arg(turned, 0, 'f', 2)
                               .arg(recording_.Revolutions())
                               .arg(recording_.Readings().size()));
}

void AccuracyPage::Finish() {
    active_ = false;
    Analyse();
    const app::AccuracyTexts& texts = context_.texts.accuracy;
    if (recording_.Full()) {
        LabelAccState->setText(Text(texts.vAccFull).arg(app::AccuracyRecording::kMaxReadings) +
                               QLatin1Char(' ') + LabelAccState->text());
    } else if (recording_.Turned() < recording_.Revolutions() && result_) {
        LabelAccState->setText(Text(texts.vAccStoppedEarly).arg(recording_.Turned(), 0, 'f', 2) +
                               QLatin1Char(' ') + LabelAccState->text());
    }
}

std::optional<std::vector<app::TimedAngle>> AccuracyPage::ReadReferenceFile(QString& why) const {
    const app::AccuracyTexts& texts = context_.texts.accuracy;
    const QString path = EditAccRefFile->text();
    if (path.isEmpty()) {
        why = Text(texts.vAccNoReference);
        return std::nullopt;
    }
    std::ifstream in(chip::PathFromUtf8(path.toStdString()), std::ios::binary);
    if (!in) {
        why = Text(texts.vRefUnreadable).arg(path);
        return std::nullopt;
    }
    const app::ReferenceRead read = app::ReadReference(in, columns_, recording_.StartSeconds());
    switch (read.fault) {
        case app::ReferenceFault::None:
            return read.samples;
        case app::ReferenceFault::Empty:
            why = Text(texts.vRefEmpty).arg(path);
            break;
        case app::ReferenceFault::TooFewColumns:
            why = Text(texts.vRefColumns).arg(read.line);
            break;
        case app::ReferenceFault::NotANumber:
            why = Text(texts.vRefNumber).arg(read.line);
            break;
        case app::ReferenceFault::Backwards:
            why = Text(texts.vRefBackwards).arg(read.line);
            break;
    }
    return std::nullopt;
}

void AccuracyPage::Analyse() {
    const app::AccuracyTexts& texts = context_.texts.accuracy;
    const std::vector<app::TimedAngle>& readings = recording_.Readings();
    app::AccuracyShortfall why = app::AccuracyShortfall::None;
    double detail = 0;
    result_.reset();
    if (rbAccReference->isChecked()) {
        QString fault;
        const auto reference = ReadReferenceFile(fault);
        if (!reference) {
            ShowResult();
            LabelAccState->setText(fault);
            return;
        }
        result_ = app::AngleAccuracy::AgainstReference(readings, *reference, &why, &detail);
    } else {
        result_ = app::AngleAccuracy::ConstantSpeed(readings, &why, &detail);
    }
    ShowResult();
    LabelAccState->setText(
        Text(app::AccuracyStateLine(texts, why, detail, result_ ? &*result_ : nullptr)));
    LabelAccLimits->setText(
        result_ ? Text(app::AccuracyLimitsLine(texts, rbAccReference->isChecked())) : QString());
}

void AccuracyPage::ShowResult() {
    btnAccExport->setEnabled(!recording_.Readings().empty() && !active_);
    const QString none(kDash);
    if (!result_) {
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
    const app::AccuracyResult& r = *result_;
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
    columns_ = columns;
    if (!rbAccReference->isChecked()) {
        rbAccReference->setChecked(true);  // analyses a recording through its toggle
    } else if (!recording_.Readings().empty() && !active_) {
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
    return result_ &&
           WriteFile(path, [this](std::ostream& out) { return app::WriteCurveCsv(out, *result_); });
}

bool AccuracyPage::SaveHarmonics(const QString& path) const {
    return result_ && WriteFile(path, [this](std::ostream& out) {
               return app::WriteHarmonicsCsv(out, *result_);
           });
}

bool AccuracyPage::SaveReadings(const QString& path) const {
    return WriteFile(path, [this](std::ostream& out) {
        return app::WriteReadingsCsv(out, recording_.Readings(), result_ ? &*result_ : nullptr);
    });
}

bool AccuracyPage::SaveReport(const QString& path) {
    if (!result_) return false;
    const app::AccuracyTexts& texts = context_.texts.accuracy;
    const app::AccuracyResult& r = *result_;
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(Text(texts.vReportTitle));
    writer.setCreator(QStringLiteral("QX5520"));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    const double width = writer.width();
    // 1 point of the text, in the writer's pixels.
    const double pt = writer.resolution() / 72.0;
    double y = 0;
    auto text = [&](const QString& line, int size, bool bold = false) {
        QFont font = WindowFont();
        font.setPointSize(size);
        font.setBold(bold);
        painter.setFont(font);
        const QRectF box(0, y, width, 1e6);
        const QRectF used = painter.boundingRect(box, Qt::TextWordWrap, line);
        painter.drawText(box, Qt::TextWordWrap, line);
        y += used.height() + 3 * pt;
    };
    text(Text(texts.vReportTitle), 16, true);
    y += 4 * pt;
    text(Text(texts.vReportDate) + QLatin1Char(' ') + recordedAt_, 10);
    const QString method = rbAccReference->isChecked()
                               ? Text(texts.vReportReference).arg(EditAccRefFile->text())
                               : Text(texts.vReportConstant);
    text(Text(texts.vReportMethod) + QLatin1Char(' ') + method, 10);
    text(Text(texts.vReportChip)
             .arg(QString::fromStdString(identification_.empty() ? "?" : identification_))
             .arg(QString::fromStdString(chipId_.empty() ? "?" : chipId_)),
         10);
    text(Text(texts.vReportFigures)
             .arg(r.peakToPeak, 0, 'f', 4)
             .arg(r.rms, 0, 'f', 4)
             .arg(r.used)
             .arg(r.revolutions, 0, 'f', 0)
             .arg(r.readingsPerSecond, 0, 'f', 1)
             .arg(r.late),
         10);
    if (rbAccReference->isChecked())
        text(Text(texts.vReportOffset).arg(r.offsetDegrees, 0, 'f', 3), 10);
    if (r.holesCut > 0) {
        text(Text(texts.vAccCut).arg(r.holesCut).arg(r.longestCutSeconds, 0, 'f', 2), 10);
    }
    if (r.referenceReversed) text(Text(texts.vAccRefReversed), 10);
    const std::string limits = app::AccuracyLimitsLine(texts, rbAccReference->isChecked());
    if (!limits.empty()) text(Text(limits), 10);
    y += 4 * pt;

    // The chart as on the screen at 700 × 360, drawn three times as fine and scaled to the
    // page's width (some 250 dpi on the page).
    constexpr int kChartWidth = 700, kChartHeight = 360;
    const double chartHeight = width * kChartHeight / kChartWidth;
    painter.drawPixmap(QRectF(0, y, width, chartHeight),
                       ChartAccuracy->toPixmap(kChartWidth, kChartHeight, 3.0), QRectF());
    y += chartHeight + 8 * pt;

    // The harmonics table: three columns of a fixed width.
    QFont font = WindowFont();
    font.setPointSize(10);
    painter.setFont(font);
    const double row = 14 * pt, column = 110 * pt;
    const QString headings[] = {Text(texts.vHarmonic), Text(texts.vAmplitude), Text(texts.vPhase)};
    for (int c = 0; c < 3; ++c) {
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(c * column, y, column, row), Qt::AlignRight | Qt::AlignVCenter,
                         headings[c]);
    }
    font.setBold(false);
    painter.setFont(font);
    painter.drawLine(QPointF(0, y + row), QPointF(3 * column, y + row));
    y += row + 2 * pt;
    for (size_t k = 0; k < r.harmonics.size(); ++k) {
        const QString cells[] = {QString::number(k + 1),
                                 QString::number(r.harmonics[k].amplitude, 'f', 4),
                                 QString::number(r.harmonics[k].phase, 'f', 1)};
        for (int c = 0; c < 3; ++c)
            painter.drawText(QRectF(c * column, y, column, row), Qt::AlignRight | Qt::AlignVCenter,
                             cells[c]);
        y += row;
    }
    y += 8 * pt;

    // The configuration, four fields a line.
    text(Text(texts.vReportConfiguration), 10, true);
    font.setPointSize(8);
    painter.setFont(font);
    const double fieldWidth = width / 4;
    const double fieldRow = 11 * pt;
    for (size_t i = 0; i < configuration_.size(); ++i) {
        const double x = static_cast<double>(i % 4) * fieldWidth;
        const double top = y + static_cast<double>(i / 4) * fieldRow;
        painter.drawText(
            QRectF(x, top, fieldWidth, fieldRow), Qt::AlignLeft | Qt::AlignVCenter,
            QString::fromStdString(configuration_[i].name + " = " + configuration_[i].value));
    }
    return painter.end();
}

}  // namespace ui

#include "ui/fit_panel.h"

#include <QGridLayout>
#include <QLabel>

#include "ui/figure_grid.h"
#include "ui/window_style.h"

namespace ui {
namespace {

constexpr QChar kDegree(0x00B0);

QString Degrees(double value) {
    return QString::number(value, 'f', 3) + kDegree;
}

QString Pair(double x, double y, int decimals) {
    return QString::number(x, 'f', decimals) + QStringLiteral(" / ") +
           QString::number(y, 'f', decimals);
}

}  // namespace

FitPanel::FitPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("PanelFit");
    FigureGrid grid(this, QMargins(0, 0, 0, 0));
    auto line = [&grid](auto&&... args) { grid.Line(args...); };
    LabelFitHeading = grid.Heading("Аппроксимация эллипсом:", "LabelFitHeading");
    LabelFitState = grid.Note("LabelFitState");
    line(LabelFitOffset, LabelFitOffsetV, "Смещение X / Y:", "LabelFitOffset", "LabelFitOffsetV");
    line(LabelFitAmplitude, LabelFitAmplitudeV, "Амплитуда X / Y:", "LabelFitAmplitude",
         "LabelFitAmplitudeV");
    line(LabelFitMismatch, LabelFitMismatchV, "Рассогласование амплитуд:", "LabelFitMismatch",
         "LabelFitMismatchV");
    line(LabelFitPhase, LabelFitPhaseV, "Фазовая ошибка:", "LabelFitPhase", "LabelFitPhaseV");
    line(LabelFitRms, LabelFitRmsV, "СКО точек от эллипса:", "LabelFitRms", "LabelFitRmsV");
    LabelFitBudget = grid.Heading("Угловая ошибка, пик:", "LabelFitBudget");
    line(LabelFitErrOffset, LabelFitErrOffsetV, "от смещений (1-я гарм.):", "LabelFitErrOffset",
         "LabelFitErrOffsetV");
    line(LabelFitErrMismatch, LabelFitErrMismatchV,
         "от амплитуд (2-я гарм.):", "LabelFitErrMismatch", "LabelFitErrMismatchV");
    line(LabelFitErrPhase, LabelFitErrPhaseV, "от фазы (2-я гарм.):", "LabelFitErrPhase",
         "LabelFitErrPhaseV");
    line(LabelFitErrTotal, LabelFitErrTotalV, "сумма:", "LabelFitErrTotal", "LabelFitErrTotalV");
    line(LabelHeadroom, LabelHeadroomV, "Диапазон АЦП X / Y:", "LabelHeadroom", "LabelHeadroomV");
    LabelHeadroomWarning = grid.Note("LabelHeadroomWarning");
    QPalette warning = LabelHeadroomWarning->palette();
    warning.setColor(QPalette::WindowText, QColor(176, 0, 0));
    LabelHeadroomWarning->setPalette(warning);
    grid.Finish();
}

void FitPanel::SetValues(const QString& offset, const QString& amplitude, const QString& mismatch,
                         const QString& phase, const QString& rms, const QString& errOffset,
                         const QString& errMismatch, const QString& errPhase,
                         const QString& total) {
    LabelFitOffsetV->setText(offset);
    LabelFitAmplitudeV->setText(amplitude);
    LabelFitMismatchV->setText(mismatch);
    LabelFitPhaseV->setText(phase);
    LabelFitRmsV->setText(rms);
    LabelFitErrOffsetV->setText(errOffset);
    LabelFitErrMismatchV->setText(errMismatch);
    LabelFitErrPhaseV->setText(errPhase);
    LabelFitErrTotalV->setText(total);
}

void FitPanel::Clear() {
    SetValues({}, {}, {}, {}, {}, {}, {}, {}, {});
    LabelFitState->clear();
    LabelHeadroomV->clear();
    LabelHeadroomWarning->clear();
}

void FitPanel::Show(const std::optional<app::LissajousResult>& fit, app::FitShortfall why,
                    size_t points, const app::XYStatistics& extremes,
                    const app::AnalysisTexts& texts, bool otrX, bool otrY) {
    const app::Headroom room = app::HeadroomOf(extremes, otrX, otrY);
    std::optional<app::LissajousResult> r = fit;
    if (r && points > 0) app::WithdrawBudgetIfClipped(*r, room.clipsX, room.clipsY);
    LabelFitPhaseV->setToolTip({});
    if (r) {
        using Withdrawn = app::LissajousResult::Withdrawn;
        const QString none(QChar(0x2014));
        // A figure that cannot be trusted gives way to the reason, where the figures stand.
        const bool clipped = r->withdrawn == Withdrawn::Clipped;
        const bool phaseKnown = r->withdrawn == Withdrawn::None;
        LabelFitState->setText(clipped      ? QString::fromStdString(texts.vBudgetClipped)
                               : phaseKnown ? QString()
                                            : QString::fromStdString(texts.vBudgetSkew));
        SetValues(Pair(r->offsetX, r->offsetY, 1), Pair(r->amplitudeX, r->amplitudeY, 1),
                  QString::number(r->mismatchPercent, 'f', 2) + QStringLiteral(" %"),
                  phaseKnown ? Degrees(r->phaseDegrees) : none,
                  QString::number(r->rmsDistance, 'f', 2),
                  clipped ? none : Degrees(r->offsetErrorDegrees),
                  clipped ? none : Degrees(r->mismatchErrorDegrees),
                  phaseKnown ? Degrees(r->phaseErrorDegrees) : none,
                  phaseKnown ? Degrees(r->totalErrorDegrees) : none);
        if (phaseKnown && r->skewCorrectionDegrees != 0 && r->turnDegreesPerSecond != 0) {
            LabelFitPhaseV->setToolTip(
                QString::fromStdString(texts.vSkewCorrected)
                    .arg(r->skewCorrectionDegrees, 0, 'f', 3)
                    .arg(r->skewCorrectionDegrees / r->turnDegreesPerSecond, 0, 'f', 3)
                    .arg(r->turnDegreesPerSecond / 6.0, 0, 'f', 2));
        }
    } else {
        SetValues({}, {}, {}, {}, {}, {}, {}, {}, {});
        const std::string& text = why == app::FitShortfall::TooFewPoints ? texts.vFitTooFewPoints
                                  : why == app::FitShortfall::TooLittleTurn
                                      ? texts.vFitTooLittleTurn
                                      : texts.vFitNoEllipse;
        LabelFitState->setText(QString::fromStdString(text));
    }
    if (points == 0) {
        LabelHeadroomV->clear();
        LabelHeadroomWarning->clear();
        return;
    }
    LabelHeadroomV->setText(Pair(room.percentX, room.percentY, 0) + QStringLiteral(" %"));
    QStringList warnings;
    const QString clips = QString::fromStdString(texts.vClips);
    const QString small = QString::fromStdString(texts.vSmallSignal);
    if (room.clipsX) warnings << clips.arg(QLatin1Char('X'));
    if (room.clipsY) warnings << clips.arg(QLatin1Char('Y'));
    // Until the points go around most of a turn their extremes say nothing of the signal's
    // size: a small signal is named only with a fit.
    if (r && room.smallX) warnings << small.arg(QLatin1Char('X'));
    if (r && room.smallY) warnings << small.arg(QLatin1Char('Y'));
    LabelHeadroomWarning->setText(warnings.join(QLatin1Char('\n')));
}

}  // namespace ui

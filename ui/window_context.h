// What the pages and controllers of the main window share with it.
#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include "app/lang/language.h"

namespace chip {
class TASensDig;
}

namespace ui {

struct WindowContext {
    /// The one chip access object; set by the window's creation step before any handler or
    /// tick can run, emptied at its destruction step.
    chip::TASensDig* chip = nullptr;
    /// Texts of the language file, filled by the language step of the creation.
    app::LanguageTexts texts;
    /// The executable's directory with its trailing separator: the language files and the
    /// datasheet.
    std::string ExePath;
    /// The folder of config.ini, with its trailing separator: ExePath, or the per-user
    /// folder when the executable's folder is not writable.
    std::string SettingsFolder;
    /// The one run flag of the periodic readouts (angle data, signal charts, X-Y, accuracy).
    bool bStarted = false;
    /// Readouts whose run goes on (started, not yet stopped or ended by an error). Unlike
    /// bStarted, which a stop on error leaves set, this says whether one runs.
    int readoutsRunning = 0;
    /// The angle accuracy page records: nothing else in the window sends chip traffic, since
    /// every hole in a recording costs its analysis.
    bool recording = false;
    /// A register-map job or a calibration assistant runs its ticks.
    std::function<bool()> chipJobRunning;
    /// The exchange with the chip is switched on ("Exchange on" ticked).
    std::function<bool()> exchangeOn;
    /// An information message box (a request refused).
    std::function<void(const QString& text)> inform;
    /// SaveSettings of the main window.
    std::function<void()> saveSettings;
    /// The application's general error report: a message box with an error icon and the
    /// application title; the tool carries on.
    std::function<void(const QString& text)> reportError;
    /// Whether a status flag's indicator (rbOTR_X, ...) is lit as of the last supervision
    /// tick; empty until the window has its indicators.
    std::function<bool(const char* indicator)> statusLit;
    /// Chip operations under way (a handler or tick between its first transfer and its end,
    /// its error report included). The window defers a close until none is.
    int chipOperations = 0;
    /// Runs when the last chip operation ends.
    std::function<void()> chipOperationsEnded;
    /// The time of a reading: seconds since 1970-01-01 UTC by the system clock.
    std::function<double()> seconds;
};

/// Marks one chip operation for its lifetime.
class ChipOperation {
  public:
    explicit ChipOperation(WindowContext& context) : context_(context) {
        ++context_.chipOperations;
    }
    ~ChipOperation() {
        if (--context_.chipOperations == 0 && context_.chipOperationsEnded) {
            context_.chipOperationsEnded();
        }
    }
    ChipOperation(const ChipOperation&) = delete;
    ChipOperation& operator=(const ChipOperation&) = delete;

  private:
    WindowContext& context_;
};

/// While the accuracy page records: says that nothing else may use the chip, and is true.
inline bool RefusedWhileRecording(WindowContext& context) {
    if (!context.recording) return false;
    if (context.inform) context.inform(QString::fromStdString(context.texts.accuracy.vAccBusy));
    return true;
}

/// Whether the chip can be measured now: the exchange is switched on and the chip answers its
/// identifier (the identification check of the supervision, a few hundred ms). Otherwise says
/// what to do in one message and
/// is false: a channel opened on demand would be configured for no chip, and the readings of
/// an absent one (all ones or all zeros) would pass for angles.
bool ChipReady(WindowContext& context);

/// Runs handler(chip) as one chip operation under the general error report: an exception
/// abandons the rest of the handler and is reported; the tool goes on. Refused while the
/// accuracy page records.
template <typename Handler>
void RunChipOperation(WindowContext& context, Handler handler) {
    if (RefusedWhileRecording(context)) return;
    const ChipOperation operation(context);
    try {
        if (context.chip == nullptr) {
            throw std::runtime_error("The chip access object does not exist yet.");
        }
        handler(*context.chip);
    } catch (const std::exception& error) {
        if (context.reportError) context.reportError(QString::fromUtf8(error.what()));
    }
}

}  // namespace ui

// What the pages and controllers of the main window share with it.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "app/language.h"

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
    /// The executable's directory with its trailing separator.
    std::string ExePath;
    /// The one run flag of the three periodic readouts (angle data, signal charts, X-Y).
    bool bStarted = false;
    /// SaveSettings of the main window.
    std::function<void()> saveSettings;
    /// The application's general error report: a message box with an error icon and the
    /// application title; the tool carries on.
    std::function<void(const QString& text)> reportError;
};

}  // namespace ui

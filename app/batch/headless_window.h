// The window state of a batch run: plain values in place of controls.
#pragma once

#include <functional>
#include <string>

#include "app/shell.h"

namespace app {

/// Holds the design values of the controls start-up touches (EditFreq "1000", every check
/// box clear). Setting cbConnect to a new state runs the connect hook, as a click would.
class HeadlessWindowState : public WindowState {
  public:
    /// Runs when cbConnect changes state, with its new state (cbConnectClick).
    std::function<void(bool checked)> onConnectClick;

    void SetChartsFileText(const std::string& text) override { chartsFile = text; }
    void SetXYFilenameText(const std::string& text) override { xyFile = text; }
    void SetUpDial() override { dialSetUp = true; }
    std::string AngleDataFileText() const override { return angleDataFile; }
    void SetAngleDataFileText(const std::string& text) override { angleDataFile = text; }
    bool SaveToFileChecked() const override { return saveToFile; }
    void SetSaveToFileChecked(bool checked) override { saveToFile = checked; }
    bool SaveChartsToFileChecked() const override { return saveChartsToFile; }
    void SetSaveChartsToFileChecked(bool checked) override { saveChartsToFile = checked; }
    bool ConnectChecked() const override { return connect; }
    void SetConnectChecked(bool checked) override;
    bool SSIOnChecked() const override { return ssiOn; }
    void SetSSIOnChecked(bool checked) override { ssiOn = checked; }
    std::string FreqText() const override { return freq; }
    void SetChip(chip::TASensDig* chip) override { asensDig = chip; }
    void LoadLanguage() override { ++languageSteps; }
    void AppendVersionToCaption() override { ++captionSteps; }

    std::string chartsFile;
    std::string xyFile;
    bool dialSetUp = false;
    std::string angleDataFile;
    bool saveToFile = false;
    bool saveChartsToFile = false;
    bool connect = false;
    bool ssiOn = false;
    std::string freq = std::to_string(chip::kDesignClockRate);
    chip::TASensDig* asensDig = nullptr;  // as start-up handed it
    int languageSteps = 0;
    int captionSteps = 0;
};

}  // namespace app

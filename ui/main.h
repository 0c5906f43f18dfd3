// TF_Face, the tool's main window: the top panel, the nine pages, the status strip and the
// busy message, assembled from their own classes. Its creation and destruction steps run the
// program's start-up and end (app::Shell) over the real controls.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/lang/language.h"
#include "app/shell.h"
#include "ui/window_context.h"

class QFrame;
class QLabel;
class QTabWidget;
class QToolButton;
class QTimer;

namespace ui {

class AccuracyPage;
class AnalogPage;
class CalibrationController;
class AnglePage;
class ControlIndex;
class ChartsPage;
class RegCfgPage;
class RegMapController;
class RegMapPage;
class RegisterController;
class StatusStrip;
class SystemPage;
class TF_About;
class TopPanel;
class WorkPage;
class XYPage;

/// How a window is started: normally from the executable's own directory and command line;
/// tests give a directory of their own.
struct FaceOptions {
    std::string exePath;            // with its trailing separator; empty: the executable's
    std::vector<std::string> args;  // the command line without the program name
    /// Where the caption's version comes from; empty: app::FileVersionString.
    std::function<std::string()> fileVersion;
    /// The pause of every register read; null: the real clock.
    chip::Clock* clock = nullptr;
    /// The time of a reading in seconds; empty: the system clock since 1970-01-01 UTC.
    std::function<double()> seconds;
};

class TF_Face : public QWidget, public app::WindowState, private app::LanguageTarget {
    Q_OBJECT
  public:
    /// Builds every control in its design state, then runs the creation step (FormCreate)
    /// and creates the About window unless a batch action ended the run.
    explicit TF_Face(FaceOptions options = {}, QWidget* parent = nullptr);
    ~TF_Face() override;

    /// The exit code when the creation step ran a batch action (the window is then not to
    /// be shown); nullopt on an interactive start.
    std::optional<int> BatchExitCode() const { return batchExitCode_; }

    /// FormDestroy: stops the timers, closes the channel, releases the chip access object and
    /// saves the settings. Runs once (at close, or at the latest when the window is deleted).
    void FormDestroy();
    /// SaveSettings: the five settings from the controls into config.ini; an error goes to
    /// the general error report.
    void SaveSettings();

    /// The page control's tab that holds page (each page sits in a scroll area), or -1.
    int PageIndex(const QWidget* page) const;
    void ShowPage(QWidget* page);
    /// The page of the current tab.
    QWidget* CurrentPage() const;

    void btnOpenDataSheetClick();
    void btnAboutClick();

    WindowContext context;

    TopPanel* PanelTop = nullptr;
    QTabWidget* PageControl = nullptr;
    /// The tab row's corner button: a menu of every page.
    QToolButton* btnAllPages = nullptr;
    AnalogPage* tsAnalogCfg = nullptr;
    AnglePage* stAng = nullptr;
    SystemPage* tsSystemParams = nullptr;
    RegCfgPage* tsRegCfg = nullptr;
    WorkPage* tsWork = nullptr;
    ChartsPage* tsCharts = nullptr;
    XYPage* tsXYChart = nullptr;
    RegMapPage* tsRegMap = nullptr;
    AccuracyPage* tsAccuracy = nullptr;
    StatusStrip* PanelStatus = nullptr;
    QFrame* PanelMsg = nullptr;
    QLabel* LabelMsg = nullptr;
    QTimer* TimerConnect = nullptr;
    TF_About* F_About = nullptr;

    // app::WindowState: what start-up and end touch.
    void SetChartsFileText(const std::string& text) override;
    void SetXYFilenameText(const std::string& text) override;
    void SetUpDial() override;
    std::string AngleDataFileText() const override;
    void SetAngleDataFileText(const std::string& text) override;
    bool SaveToFileChecked() const override;
    void SetSaveToFileChecked(bool checked) override;
    bool SaveChartsToFileChecked() const override;
    void SetSaveChartsToFileChecked(bool checked) override;
    bool ConnectChecked() const override;
    void SetConnectChecked(bool checked) override;
    bool SSIOnChecked() const override;
    void SetSSIOnChecked(bool checked) override;
    std::string FreqText() const override;
    void SetChip(chip::TASensDig* chip) override;
    void LoadLanguage() override;
    void AppendVersionToCaption() override;

    /// Every named control of the window, indexed once it was built.
    const ControlIndex& Controls() const { return *controls_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // app::LanguageTarget: the language step writes the captions through these.
    void SetWindowCaption(const std::string& text) override;
    void SetApplicationTitle(const std::string& text) override;
    void SetControlText(std::string_view controlName, const std::string& text) override;

    void BuildLayout();
    void FormCreate(const std::vector<std::string>& args);
    /// The outer width stays within 931..947 pixels (at 96 dpi): the client width follows
    /// from the frame the window system gives the window.
    void HoldOuterWidth();
    void PlaceMessagePanel();

    std::function<std::string()> fileVersion_;
    chip::Clock* clock_;
    std::unique_ptr<app::Shell> shell_;
    std::unique_ptr<ControlIndex> controls_;
    std::unique_ptr<RegisterController> registerController_;
    RegMapController* regMapController_ = nullptr;            // a child of the window
    CalibrationController* calibrationController_ = nullptr;  // a child of the window
    std::optional<int> batchExitCode_;
    bool destroyed_ = false;
    bool loadingSettings_ = false;
    bool closeAfterJob_ = false;  // a close waits for a register-map job to finish
    bool closePending_ = false;
    int frameExtra_ = -1;
};

}  // namespace ui

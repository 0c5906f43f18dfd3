// The program's start-up and end over the window state they touch. The window (ui/) and the
// batch mode (a headless model) both implement WindowState; Shell runs FormCreate,
// the batch dispatch, LoadSettings, SaveSettings and FormDestroy over it.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/files/folders.h"
#include "app/files/settings.h"
#include "chip/ASens_Digital.h"

namespace app {

/// The controls and steps of the main window that start-up and end touch. Every accessor
/// reads or sets the control at once; none of them saves the settings.
class WindowState {
  public:
    virtual ~WindowState() = default;

    /// Sets the text of EditChartsFile (FormCreate step 2: ExePath).
    virtual void SetChartsFileText(const std::string& text) = 0;
    /// Sets the text of EditXYFilename (FormCreate step 2: ExePath).
    virtual void SetXYFilenameText(const std::string& text) = 0;
    /// Dial set-up (FormCreate step 3): X0 := width(pbAI) / 2, Y0 := height(pbAI) / 2,
    /// X1 := X0, Y1 := Y0, pen width of pbAI's drawing surface := 3.
    virtual void SetUpDial() = 0;

    /// Text of EditAngleDataFile (settings key SaveAngleDataFile).
    virtual std::string AngleDataFileText() const = 0;
    virtual void SetAngleDataFileText(const std::string& text) = 0;
    /// cbSaveToFile (settings key SaveAngleDataToFile).
    virtual bool SaveToFileChecked() const = 0;
    virtual void SetSaveToFileChecked(bool checked) = 0;
    /// cbSaveChartsToFile (settings key SaveChartDataToFile).
    virtual bool SaveChartsToFileChecked() const = 0;
    virtual void SetSaveChartsToFileChecked(bool checked) = 0;
    /// cbConnect (settings key ConnectActive).
    virtual bool ConnectChecked() const = 0;
    /// Sets cbConnect. When this changes its state, cbConnectClick runs before the call
    /// returns, exactly as on a user's click (switch-on: Init, CheckConnect, groups 1-3).
    virtual void SetConnectChecked(bool checked) = 0;
    /// cbSSIOn, the hidden check box (settings key Enable_SSI).
    virtual bool SSIOnChecked() const = 0;
    virtual void SetSSIOnChecked(bool checked) = 0;

    /// Text of EditFreq: the SPI clock rate in hertz, read when the channel is opened.
    virtual std::string FreqText() const = 0;

    /// FormCreate step 4 hands the window the one chip access object, right after it was
    /// created and before anything can use it; FormDestroy hands it null before freeing it.
    virtual void SetChip(chip::TASensDig* chip) = 0;

    /// FormCreate step 7: LoadLanguage. Never called in a batch run.
    virtual void LoadLanguage() = 0;
    /// FormCreate step 8: caption := caption + " ver." + FileVersionString. Never called in a
    /// batch run.
    virtual void AppendVersionToCaption() = 0;
};

/// Where start-up reports what it cannot do itself: a settings key that cannot be written
/// (window: the general error report; batch: one line on stderr).
using ErrorSink = std::function<void(const std::string& message)>;

/// Start-up, batch dispatch and end of the program over a WindowState.
class Shell {
  public:
    /// folders: where config.ini lives and the folder the default log file names start
    /// with (ExePath, or the per-user folder of an installed copy).
    /// clock: the pause of every register read.
    Shell(WindowState& window, Folders folders, chip::Clock& clock = chip::SystemClock());
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    /// FormCreate steps 1-8: file-name edits, dial, the TASensDig instance (handed to the
    /// window at once), LoadSettings
    /// (which may switch the exchange on), the batch dispatch when args (argv without
    /// argv[0]) has two or more entries, LoadLanguage and the caption. Returns the exit code
    /// when a batch action ran: the caller then runs FormDestroy and ends the process with
    /// it, without LoadLanguage or the caption step having run. Returns nullopt to go on into
    /// the window. A SettingsWriteError does not arise here (LoadSettings never writes).
    std::optional<int> FormCreate(const std::vector<std::string>& args);

    /// FormDestroy: CloseSPI, takes the TASensDig instance from the window and frees it,
    /// SaveSettings. A settings key
    /// that cannot be written is reported through the error sink.
    void FormDestroy();

    /// Reads config.ini into the five controls in their order; setting cbConnect may run
    /// the switch-on. Writes nothing.
    void LoadSettings();
    /// Writes the five keys from the controls in one step; a key this process has not changed
    /// since it loaded or last saved it stays as the file has it. Throws SettingsWriteError
    /// ("Unable to write to <path>") when the file cannot be written.
    void SaveSettings();

    /// The batch dispatch: Init and CheckConnect, then the action named by args[0]. Returns
    /// the exit code when args[0] is "-asens", "-setparam", "-asensangle", "-saveconfig" or
    /// "-loadconfig", else nullopt
    /// (the channel stays open and start-up goes on). Errors go to the error sink.
    std::optional<int> BatchDispatch(const std::vector<std::string>& args);

    /// Replaces where errors go (default: one line on stderr).
    void SetErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }

  private:
    std::filesystem::path SettingsPath() const;
    void ReportError(const std::string& message) const;

    WindowState& window_;
    Folders folders_;
    std::optional<Settings> stored_;  // the values last loaded or saved
    chip::Clock& clock_;
    chip::Adapter adapter_;  // the channel the chip is reached through
    std::unique_ptr<chip::TASensDig> asensDig_;
    ErrorSink errorSink_;
};

/// True when main must run the batch mode without the window system: two or more
/// arguments and argv[1] exactly one of the batch switches ("-asens", "-setparam",
/// "-asensangle", "-saveconfig", "-loadconfig").
bool IsBatchCommandLine(const std::vector<std::string>& args);

/// The executable's directory with its trailing separator, as UTF-8.
std::string ExecutableDirectory();

}  // namespace app

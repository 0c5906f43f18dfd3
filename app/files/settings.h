// The settings file config.ini beside the executable: five values in section CONFIG.
// Reading never writes the file; a save writes its five keys in one step, so batch runs that
// end side by side lose nothing.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace app {

inline constexpr const char* kSettingsFileName = "config.ini";
inline constexpr const char* kSettingsSection = "CONFIG";

/// The five stored values, in the order they are written.
struct Settings {
    std::string SaveAngleDataFile;     // text of EditAngleDataFile
    bool SaveAngleDataToFile = false;  // cbSaveToFile
    bool SaveChartDataToFile = false;  // cbSaveChartsToFile
    bool ConnectActive = false;        // cbConnect
    bool Enable_SSI = false;           // cbSSIOn
};

/// The settings could not be written. what() is "Unable to write to <full path>"; the file
/// is left as it was.
class SettingsWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Reads a stored boolean: decimal, or hexadecimal after "0x"/"0X" when the value has at
/// least three characters; non-zero is true; anything else (empty, "yes", "0x") gives
/// fallback.
bool ReadSettingsBoolean(std::string_view value, bool fallback);

/// config.ini at a given path (normally ExePath + "config.ini"). Section and key names match
/// without regard to case; a key that stands twice (also in a repeated section) reads its
/// first value, as the platform's profile reader does. The file is UTF-8 text; a file that is
/// not UTF-8 was saved by a Windows editor and reads as Windows-1251.
class SettingsFile {
  public:
    explicit SettingsFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }

    /// Reads the file once. A missing file, section or key gives the default; the text key's
    /// default is defaultAngleDataFile (ExePath + "data.csv"); a present but empty text stays
    /// empty. Never writes.
    Settings Load(const std::string& defaultAngleDataFile) const;

    /// Writes the five keys in one step under the lock that side-by-side writers share (the
    /// file is created when missing). Only the values of the keys change, at the occurrence
    /// Load reads; a missing key is added at the end of the first CONFIG section, a missing
    /// section at the end of the file; every other byte stays as it was. A file read as
    /// Windows-1251 stays Windows-1251 (it becomes UTF-8 only when a value has no byte in that
    /// code page); a save that changes no value leaves the file untouched. A symbolic link
    /// stays a link and hard links stay linked. Throws SettingsWriteError when the file cannot
    /// be read or written; the file is then left as it was.
    ///
    /// With unchangedSince (the values this process last loaded or saved), a key whose value
    /// is still that one and that the file holds is left as the file has it: a value another
    /// process saved meanwhile is not overwritten with a stale one.
    void Save(const Settings& settings, const Settings* unchangedSince = nullptr) const;

    /// Writes one key as Save writes the five; throws SettingsWriteError when it cannot.
    void WriteKey(const char* key, const std::string& value) const;

    /// A key of another section than CONFIG (what the tool keeps beside the five settings),
    /// read and written as those are; nullopt when the file, section or key is missing.
    std::optional<std::string> ReadKey(std::string_view section, std::string_view key) const;
    void WriteKey(std::string_view section, std::string_view key, const std::string& value) const;

  private:
    std::filesystem::path path_;
};

/// The adapter among several that the tool is to use (a serial number or a description, as
/// chip::Adapter::SelectAdapter takes it): the environment variable QX5520_ADAPTER_SERIAL,
/// else [Adapter] Serial of the settings file; empty for the first adapter listed.
std::string AdapterSelection(const std::filesystem::path& settingsFile);

}  // namespace app

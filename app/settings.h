// The settings file config.ini beside the executable: five values in section CONFIG.
// Reading never writes the file; every key of a save goes to the file at once.
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

/// A key could not be written. what() is "Unable to write to <full path>"; the keys before
/// it stay written.
class SettingsWriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Reads a stored boolean: decimal, or hexadecimal after "0x"/"0X" when the value has at
/// least three characters; non-zero is true; anything else (empty, "yes", "0x") gives
/// fallback.
bool ReadSettingsBoolean(std::string_view value, bool fallback);

/// config.ini at a given path (normally ExePath + "config.ini"). Section and key names match
/// without regard to case; other sections and keys are left as they are. UTF-8 text.
class SettingsFile {
  public:
    explicit SettingsFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }

    /// Reads the file once. A missing file, section or key gives the default; the text key's
    /// default is defaultAngleDataFile (ExePath + "data.csv"); a present but empty text stays
    /// empty. Never writes.
    Settings Load(const std::string& defaultAngleDataFile) const;

    /// Writes the five keys in their order, each one to the file at once (the file is created
    /// when missing). Throws SettingsWriteError at the first key that cannot be written.
    void Save(const Settings& settings) const;

    /// Writes one key to the file at once; throws SettingsWriteError when it cannot.
    void WriteKey(const char* key, const std::string& value) const;

  private:
    std::filesystem::path path_;
};

}  // namespace app

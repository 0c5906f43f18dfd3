#include "app/files/settings.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <optional>
#include <vector>

#include "app/config/integer_text.h"
#include "app/files/ini_text.h"
#include "app/files/ini_values.h"
#include "base/file_rewrite.h"
#include "chip/utf8_path.h"

namespace app {
namespace {

// Lines the tool adds end as the platform's own INI files do; a file that has line ends
// keeps its own.
#if defined(_WIN32)
constexpr std::string_view kNewLine = "\r\n";
#else
constexpr std::string_view kNewLine = "\n";
#endif

bool StartsWithHexPrefix(std::string_view value) {
    return value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
}

// The file's text as UTF-8; empty for a missing file or one that cannot be read (a folder of
// that name counts as no file).
std::string ReadText(const std::filesystem::path& path) {
    return ReadIniFile(path).value_or(std::string());
}

// The file with the values set, in its own encoding: every line the edit does not touch stays
// byte for byte. A Windows-1251 file that a value cannot be written in (a character the code
// page lacks) is written as UTF-8 as a whole, as is one whose edit would read back otherwise.
std::string SetInFileEncoding(std::string_view current, std::string_view section,
                              const std::vector<IniValue>& values) {
    const IniEncoding encoding = DetectIniEncoding(current);
    std::vector<IniValue> encoded = values;
    bool representable = true;
    if (encoding == IniEncoding::Windows1251) {
        for (IniValue& value : encoded) {
            const std::optional<std::string> bytes = Utf8ToWindows1251(value.value);
            representable = representable && bytes.has_value();
            if (bytes) value.value = *bytes;
        }
    }
    if (representable) {
        std::string edited = SetIniValues(current, section, encoded, kNewLine);
        if (DetectIniEncoding(edited) == encoding) return edited;
    }
    return SetIniValues(IniTextAsUtf8(current), section, values, kNewLine);
}

// Sets the keys in the file in one step. A file that exists but cannot be read is not
// overwritten: its other content would be lost. A key of keep that the file holds is left
// as the file has it.
void Store(const std::filesystem::path& path, std::string_view section,
           const std::vector<IniValue>& values, const std::vector<std::string_view>& keep = {}) {
    const bool written = base::RewriteFile(path, [&](std::string_view current) {
        const std::string text = IniTextAsUtf8(current);
        std::vector<IniValue> changed;
        for (const IniValue& value : values) {
            const bool kept = std::find(keep.begin(), keep.end(), value.key) != keep.end() &&
                              FindIniValue(text, section, value.key).has_value();
            if (!kept) changed.push_back(value);
        }
        return SetInFileEncoding(current, section, changed);
    });
    if (!written) throw SettingsWriteError("Unable to write to " + chip::Utf8FromPath(path));
}

}  // namespace

bool ReadSettingsBoolean(std::string_view value, bool fallback) {
    std::optional<int32_t> number;
    if (StartsWithHexPrefix(value)) {
        if (value.size() >= 3) number = ParseIntegerText(value);
    } else if (value.find_first_of("$xX") == std::string_view::npos) {
        number = ParseIntegerText(value);
    }
    return number ? *number != 0 : fallback;
}

SettingsFile::SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}

Settings SettingsFile::Load(const std::string& defaultAngleDataFile) const {
    // No lock: a writer puts a whole new file in place, so this sees one file or the other
    // (only a file with other hard links is rewritten in place, where a read at that moment
    // may meet a part of it).
    const std::string text = ReadText(path_);
    auto boolean = [&](const char* key) {
        const std::optional<std::string> value = FindIniValue(text, kSettingsSection, key);
        return value && ReadSettingsBoolean(*value, false);
    };
    Settings settings;
    settings.SaveAngleDataFile =
        FindIniValue(text, kSettingsSection, "SaveAngleDataFile").value_or(defaultAngleDataFile);
    settings.SaveAngleDataToFile = boolean("SaveAngleDataToFile");
    settings.SaveChartDataToFile = boolean("SaveChartDataToFile");
    settings.ConnectActive = boolean("ConnectActive");
    settings.Enable_SSI = boolean("Enable_SSI");
    return settings;
}

void SettingsFile::WriteKey(const char* key, const std::string& value) const {
    Store(path_, kSettingsSection, {{key, value}});
}

std::optional<std::string> SettingsFile::ReadKey(std::string_view section,
                                                 std::string_view key) const {
    return FindIniValue(ReadText(path_), section, key);
}

void SettingsFile::WriteKey(std::string_view section, std::string_view key,
                            const std::string& value) const {
    Store(path_, section, {{key, value}});
}

void SettingsFile::Save(const Settings& settings, const Settings* unchangedSince) const {
    auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    std::vector<std::string_view> keep;
    if (unchangedSince != nullptr) {
        const Settings& was = *unchangedSince;
        if (settings.SaveAngleDataFile == was.SaveAngleDataFile)
            keep.push_back("SaveAngleDataFile");
        if (settings.SaveAngleDataToFile == was.SaveAngleDataToFile) {
            keep.push_back("SaveAngleDataToFile");
        }
        if (settings.SaveChartDataToFile == was.SaveChartDataToFile) {
            keep.push_back("SaveChartDataToFile");
        }
        if (settings.ConnectActive == was.ConnectActive) keep.push_back("ConnectActive");
        if (settings.Enable_SSI == was.Enable_SSI) keep.push_back("Enable_SSI");
    }
    Store(path_, kSettingsSection,
          {{"SaveAngleDataFile", settings.SaveAngleDataFile},
           {"SaveAngleDataToFile", flag(settings.SaveAngleDataToFile)},
           {"SaveChartDataToFile", flag(settings.SaveChartDataToFile)},
           {"ConnectActive", flag(settings.ConnectActive)},
           {"Enable_SSI", flag(settings.Enable_SSI)}},
          keep);
}

std::string AdapterSelection(const std::filesystem::path& settingsFile) {
    const std::string named =
        chip::Utf8FromPath(chip::PathFromEnvironment("QX5520_ADAPTER_SERIAL"));
    if (!named.empty()) return named;
    std::optional<std::string> serial;
    try {
        serial = SettingsFile(settingsFile).ReadKey("Adapter", "Serial");
    } catch (const std::exception&) {
        return {};  // an unreadable file selects nothing; the window reports it elsewhere
    }
    return serial.value_or(std::string());
}

}  // namespace app

#include "app/settings.h"

// Only the narrow (UTF-8) interface is used: no conversion library. The Debian header keeps
// its definitions behind SI_IMPLEMENTATION.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <fstream>
#include <iterator>

#include "app/integer_text.h"

namespace app {
namespace {

bool StartsWithHexPrefix(std::string_view value) {
    return value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
}

// CSimpleIniA matches section and key names without regard to case (CSimpleIniCaseA
// would match case).
// Reads the whole file into ini. Returns false when a file (or folder) of that name exists
// but cannot be read; ini is then empty, as for a missing file.
bool ReadInto(const std::filesystem::path& path, CSimpleIniA& ini) {
    ini.SetUnicode(true);
    ini.SetSpaces(false);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) return true;
    // A folder of that name opens but throws on the first read: it counts as no file.
    if (!std::filesystem::is_regular_file(status)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string data;
    try {
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return false;
    }
    if (in.bad()) return false;
    ini.LoadData(data.data(), data.size());
    return true;
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
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
    CSimpleIniA ini;
    ReadInto(path_, ini);
    auto boolean = [&](const char* key) {
        const char* value = ini.GetValue(kSettingsSection, key, nullptr);
        return value != nullptr && ReadSettingsBoolean(value, false);
    };
    Settings settings;
    const char* text = ini.GetValue(kSettingsSection, "SaveAngleDataFile", nullptr);
    settings.SaveAngleDataFile = text != nullptr ? text : defaultAngleDataFile;
    settings.SaveAngleDataToFile = boolean("SaveAngleDataToFile");
    settings.SaveChartDataToFile = boolean("SaveChartDataToFile");
    settings.ConnectActive = boolean("ConnectActive");
    settings.Enable_SSI = boolean("Enable_SSI");
    return settings;
}

void SettingsFile::WriteKey(const char* key, const std::string& value) const {
    // Load, set, save: each key reaches the file before the next one is set, and whatever
    // else the file holds is written back as it was.
    // A file that exists but cannot be read is not overwritten: its other content would be
    // lost.
    CSimpleIniA ini;
    std::string data;
    if (!ReadInto(path_, ini) || ini.SetValue(kSettingsSection, key, value.c_str()) < 0 ||
        ini.Save(data) < 0) {
        throw SettingsWriteError("Unable to write to " + PathText(path_));
    }
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (!out) throw SettingsWriteError("Unable to write to " + PathText(path_));
}

void SettingsFile::Save(const Settings& settings) const {
    auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    WriteKey("SaveAngleDataFile", settings.SaveAngleDataFile);
    WriteKey("SaveAngleDataToFile", flag(settings.SaveAngleDataToFile));
    WriteKey("SaveChartDataToFile", flag(settings.SaveChartDataToFile));
    WriteKey("ConnectActive", flag(settings.ConnectActive));
    WriteKey("Enable_SSI", flag(settings.Enable_SSI));
}

}  // namespace app

#include "app/config_file.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <ctime>

#include "app/ini_text.h"
#include "app/integer_text.h"

namespace app {
namespace {

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

const ConfigField* SettableField(std::string_view key) {
    for (const ConfigField& field : kConfigFields) {
        if (IsSettable(field) && SameKey(field.key, key)) return &field;
    }
    return nullptr;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// What the INI reader would pass over in silence: a line that is neither a comment, a
// section nor key=value, a key outside any section, a section other than the two.
std::vector<std::string> LayoutErrors(std::string_view text) {
    std::vector<std::string> errors;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    bool inSection = false;
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const std::string_view name =
                line.back() == ']' ? Trimmed(line.substr(1, line.size() - 2)) : std::string_view{};
            if (line.back() != ']') {
                errors.push_back(where + "'" + std::string(line) + "' is no section header");
            } else if (!SameKey(name, kConfigurationSection) &&
                       !SameKey(name, kConfigurationFileSection)) {
                errors.push_back(where + "[" + std::string(name) + "] is no section of a " +
                                 "configuration file (only [File] and [QX5520])");
            }
            inSection = true;
        } else if (line.find('=') == std::string_view::npos) {
            errors.push_back(where + "'" + std::string(line) + "' is not key=value");
        } else if (!inSection) {
            errors.push_back(where + "'" + std::string(line) + "' stands before any section");
        }
    }
    return errors;
}

}  // namespace

bool IsSettable(const ConfigField& field) {
    return field.kind != FieldKind::Display;
}

int32_t FieldMaximum(const ConfigField& field) {
    return static_cast<int32_t>((1u << field.width) - 1u);
}

std::string LocalDateTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    local = *std::localtime(&now);  // the Windows C library keeps its result per thread
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string ConfigurationText(const std::vector<FieldValue>& values,
                              const ConfigurationOrigin& origin) {
    std::string text = "[" + std::string(kConfigurationFileSection) + "]\n";
    if (!origin.toolVersion.empty()) text += "Tool=" + origin.toolVersion + "\n";
    if (!origin.savedAt.empty()) text += "Saved=" + origin.savedAt + "\n";
    if (!origin.chipId.empty()) text += "ChipID=" + origin.chipId + "\n";
    text += "[" + std::string(kConfigurationSection) + "]\n";
    for (const FieldValue& value : values) {
        text += std::string(value.field->key) + "=" + std::to_string(value.value) + "\n";
    }
    return text;
}

ParsedConfiguration ParseConfiguration(std::string_view bytes) {
    ParsedConfiguration parsed;
    const std::string text = IniTextAsUtf8(bytes);
    parsed.errors = LayoutErrors(text);
    if (!parsed.errors.empty()) return parsed;
    CSimpleIniA ini(true, true);  // UTF-8, a key may stand twice (reported, not merged)
    if (ini.LoadData(text.data(), text.size()) < 0) {
        parsed.errors.push_back("the file is not an INI text");
        return parsed;
    }
    const std::string sectionName(kConfigurationSection);
    if (ini.GetSection(sectionName.c_str()) == nullptr) {
        parsed.errors.push_back("the file has no [" + sectionName + "] section");
        return parsed;
    }
    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys(sectionName.c_str(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<const ConfigField*> seen;
    std::vector<FieldValue> values;
    for (const CSimpleIniA::Entry& key : keys) {
        const ConfigField* field = SettableField(key.pItem);
        if (field == nullptr) {
            parsed.errors.push_back(std::string("unknown key ") + key.pItem);
            continue;
        }
        CSimpleIniA::TNamesDepend texts;
        ini.GetAllValues(sectionName.c_str(), key.pItem, texts);
        if (texts.size() > 1 || std::find(seen.begin(), seen.end(), field) != seen.end()) {
            parsed.errors.push_back(std::string(field->key) + " is given more than once");
            continue;
        }
        seen.push_back(field);
        const std::string valueText = texts.empty() ? "" : texts.front().pItem;
        const std::optional<int32_t> value = ParseIntegerText(valueText);
        if (!value) {
            parsed.errors.push_back(std::string(field->key) + "=" + valueText + ": not an integer");
        } else if (*value < 0 || *value > FieldMaximum(*field)) {
            parsed.errors.push_back(std::string(field->key) + "=" + valueText +
                                    ": does not fit the field (0.." +
                                    std::to_string(FieldMaximum(*field)) + ")");
        } else {
            values.push_back({field, *value});
        }
    }
    for (const ConfigField& field : kConfigFields) {
        for (const FieldValue& value : values) {
            if (value.field == &field) parsed.values.push_back(value);
        }
    }
    return parsed;
}

}  // namespace app

#include "app/config/config_file.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <optional>

#include "app/config/integer_text.h"
#include "app/files/ini_text.h"

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

// A line's text as a message shows it: control bytes as \xNN, so that a byte from a file
// never reaches a terminal as a command.
std::string Shown(std::string_view line) {
    std::string shown;
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

// A control byte other than tab, CR and LF, or nothing.
std::optional<unsigned char> ControlByte(std::string_view line) {
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t' && byte != '\r') || byte == 0x7F) return byte;
    }
    return std::nullopt;
}

bool IsSavedTime(std::string_view text) {
    static constexpr std::string_view kForm = "dddd-dd-dd dd:dd:dd";
    if (text.size() != kForm.size()) return false;
    for (size_t i = 0; i < kForm.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return false;
    }
    return true;
}

bool IsChipIdText(std::string_view text) {
    if (ParseIntegerText(text)) return true;
    if (text.size() < 2 || text.size() > 9 || text.front() != '$') return false;
    return std::all_of(text.begin() + 1, text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

// What the INI reader would pass over in silence: a control byte (a NUL ends its reading), a
// line that is neither a comment, a section nor key=value, a key outside any section, a
// section other than the two; and [File] checked as strictly as [QX5520]: only Tool, Saved
// and ChipID, each once, each with a value of its form.
std::vector<std::string> LayoutErrors(std::string_view text) {
    std::vector<std::string> errors;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    bool inSection = false;
    bool inFile = false;
    std::vector<std::string_view> fileKeys;
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (const auto byte = ControlByte(line)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", *byte);
            errors.push_back(where + "holds the control byte " + hex);
            continue;
        }
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            const std::string_view name =
                line.back() == ']' ? Trimmed(line.substr(1, line.size() - 2)) : std::string_view{};
            if (line.back() != ']') {
                errors.push_back(where + "'" + Shown(line) + "' is no section header");
            } else if (!SameKey(name, kConfigurationSection) &&
                       !SameKey(name, kConfigurationFileSection)) {
                errors.push_back(where + "[" + Shown(name) + "] is no section of a " +
                                 "configuration file (only [File] and [QX5520])");
            }
            inSection = true;
            inFile = line.back() == ']' && SameKey(name, kConfigurationFileSection);
        } else if (line.find('=') == std::string_view::npos) {
            errors.push_back(where + "'" + Shown(line) + "' is not key=value");
        } else if (!inSection) {
            errors.push_back(where + "'" + Shown(line) + "' stands before any section");
        } else if (inFile) {
            const std::string_view key = Trimmed(line.substr(0, line.find('=')));
            const std::string_view value = Trimmed(line.substr(line.find('=') + 1));
            std::string_view known;  // the key as the tool writes it
            for (std::string_view name : {"Tool", "Saved", "ChipID"}) {
                if (SameKey(key, name)) known = name;
            }
            if (SettableField(key) != nullptr) {
                errors.push_back(where + Shown(key) +
                                 " stands under [File]: the fields belong "
                                 "under [QX5520]");
            } else if (known.empty()) {
                errors.push_back(where + "unknown key " + Shown(key) +
                                 " under [File] (only Tool, Saved and ChipID)");
            } else if (std::find(fileKeys.begin(), fileKeys.end(), known) != fileKeys.end()) {
                errors.push_back(where + Shown(key) + " is given more than once");
            } else if ((known == "Saved" && !IsSavedTime(value)) ||
                       (known == "ChipID" && !IsChipIdText(value)) ||
                       (known == "Tool" && value.empty())) {
                errors.push_back(where + Shown(key) + "=" + Shown(value) + ": " +
                                 (known == "Saved"    ? "not a time YYYY-MM-DD hh:mm:ss"
                                  : known == "ChipID" ? "not a chip identifier"
                                                      : "no version"));
            }
            if (!known.empty()) fileKeys.push_back(known);
        }
    }
    return errors;
}

// At most kMaxListedErrors, then how many more: a file of a million bad lines gives a
// message that can be read.
void Bound(std::vector<std::string>& errors) {
    if (errors.size() <= kMaxListedErrors) return;
    const size_t more = errors.size() - kMaxListedErrors;
    errors.resize(kMaxListedErrors);
    errors.push_back("and " + std::to_string(more) + " more");
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
    std::string text(1, '[');
    text += kConfigurationFileSection;
    text += "]\n";
    if (!origin.toolVersion.empty()) text += "Tool=" + origin.toolVersion + "\n";
    if (!origin.savedAt.empty()) text += "Saved=" + origin.savedAt + "\n";
    if (!origin.chipId.empty()) text += "ChipID=" + origin.chipId + "\n";
    text += '[';
    text += kConfigurationSection;
    text += "]\n";
    for (const FieldValue& value : values) {
        text += std::string(value.field->key) + "=" + std::to_string(value.value) + "\n";
    }
    return text;
}

ParsedConfiguration ParseConfiguration(std::string_view bytes) {
    ParsedConfiguration parsed;
    const std::string text = IniTextAsUtf8(bytes);
    parsed.errors = LayoutErrors(text);
    if (!parsed.errors.empty()) {
        Bound(parsed.errors);
        return parsed;
    }
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
            parsed.errors.push_back(std::string("unknown key ") + Shown(key.pItem));
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
            parsed.errors.push_back(std::string(field->key) + "=" + Shown(valueText) +
                                    ": not an integer");
        } else if (*value < 0 || *value > FieldMaximum(*field)) {
            parsed.errors.push_back(std::string(field->key) + "=" + Shown(valueText) +
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
    Bound(parsed.errors);
    return parsed;
}

}  // namespace app

// A chip configuration kept in a file: every settable field of the field table by its key,
// in an INI text that an engineer can read, comment and keep under version control.
//
//   [File]
//   Tool=1.0.3
//   Saved=2026-12-09 21:04:42
//   ChipID=$12345678
//   [QX5520]
//   T_CURR=3
//   GA_X=12
//   ...
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/config/field_map.h"

namespace app {

inline constexpr std::string_view kConfigurationSection = "QX5520";
inline constexpr std::string_view kConfigurationFileSection = "File";

/// One settable field and its value (a number, 0/1 for a check box, the item's index).
struct FieldValue {
    const ConfigField* field;
    int32_t value;
    bool operator==(const FieldValue&) const = default;
};

/// Where a configuration came from; empty texts are left out of the file.
struct ConfigurationOrigin {
    std::string toolVersion;
    std::string savedAt;  // local date and time, "YYYY-MM-DD hh:mm:ss"
    std::string chipId;   // as EditChipID shows it, when known
};

/// True for the fields a configuration holds: every field that is not a read-only display.
bool IsSettable(const ConfigField& field);

/// The largest value the field holds: 2^width - 1 (1 for a check box, 3 for the item list).
int32_t FieldMaximum(const ConfigField& field);

/// The local date and time now, "YYYY-MM-DD hh:mm:ss".
std::string LocalDateTimeText();

/// The file's text: the [File] section, then [QX5520] with one line per value in the order
/// given. Lines end in "\n".
std::string ConfigurationText(const std::vector<FieldValue>& values,
                              const ConfigurationOrigin& origin);

/// What a configuration file holds, or every reason it cannot be used.
struct ParsedConfiguration {
    std::vector<FieldValue> values;   // in the field table's order
    std::vector<std::string> errors;  // empty when the file can be applied
};

/// A fault list names at most this many faults, then "and N more".
inline constexpr size_t kMaxListedErrors = 20;

/// Reads a configuration text (UTF-8 or Windows-1251; comments with ';' or '#'). Keys match
/// without regard to letter case. Errors: a control byte other than tab, CR and LF (a NUL
/// included), a line that is no comment, section header or key=value, a key before any
/// section, a section other than [File] and [QX5520], no [QX5520] section, a key that is no
/// settable field, a key given twice, a value that is not an integer in the strict form, a
/// value that does not fit its field; under [File] a key other than Tool, Saved and ChipID
/// (a field's key among them), one given twice or a value not of its form. A field the file
/// leaves out is not an error: it is not applied. Bytes of the file in a message are shown
/// with control bytes as \xNN; the list is bounded (kMaxListedErrors).
ParsedConfiguration ParseConfiguration(std::string_view text);

}  // namespace app

// Reading and changing the values of one section of an INI text in place. The text is read as
// SimpleIni reads it (the reader of the language files and of the scenario), and a change
// touches only the values it sets: comments, blank lines, other sections and keys, spacing and
// line ends stay byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

/// The value of key in section at its first occurrence, as the platform's profile reader
/// reads it: a section that stands twice counts as one section continued, and a key that
/// stands twice reads its first value. Names match without regard to ASCII letter case.
/// nullopt when the key is absent.
///
/// The text: lines end at CR LF, LF or CR; a leading UTF-8 byte-order mark is skipped and a
/// NUL byte ends it. A line whose first non-blank character is ';' or '#' is a comment, "[name]"
/// opens a section, "key=value" sets a key (blanks around key and value are dropped); any other
/// line is ignored.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key);

/// A key to store and its value: one line of text without leading or trailing blanks.
struct IniValue {
    std::string_view key;
    std::string value;
};

/// text with each key of values set in section, so that FindIniValue reads the new values (of
/// a key given twice, the first value). A key present is changed at the occurrence FindIniValue
/// reads, in place: the key keeps its spelling, the blanks around the value and the line its line
/// end. The keys not present are added, in their order, after the last non-blank line of the first
/// such section, or at the end of the text under a new "[section]" line. Added lines end as the
/// first line of the text does, or with newLine when the text has no line end. Everything else,
/// also what follows a NUL byte, is kept byte for byte.
std::string SetIniValues(std::string_view text, std::string_view section,
                         const std::vector<IniValue>& values, std::string_view newLine);

}  // namespace app

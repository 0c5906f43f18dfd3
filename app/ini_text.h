// The text encodings INI files arrive in. The tool writes UTF-8; files saved by Windows editors
// in the ANSI code page of Cyrillic systems (Windows-1251) read as the same text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace app {

/// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past
/// U+10FFFF). Plain ASCII is UTF-8.
bool IsUtf8(std::string_view bytes);

/// Windows-1251 bytes as UTF-8 text. 0x98, which the code page leaves undefined, becomes
/// U+FFFD; bytes below 0x80 stay as they are.
std::string Windows1251ToUtf8(std::string_view bytes);

/// The bytes of an INI file as UTF-8 text. A file that begins with the UTF-8 byte-order mark,
/// or is UTF-8 throughout, is returned as it is (the mark included); any other file was saved
/// in Windows-1251 and is converted.
std::string IniTextAsUtf8(std::string_view bytes);

/// The text of an INI file as UTF-8 (see IniTextAsUtf8); nullopt when path is no regular file,
/// cannot be read, or is larger than maxBytes (no INI file of this tool is that large).
std::optional<std::string> ReadIniFile(const std::filesystem::path& path,
                                       std::uintmax_t maxBytes = 16u << 20);

}  // namespace app

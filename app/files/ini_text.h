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

/// The encoding an INI file was saved in.
enum class IniEncoding { Utf8, Windows1251 };

/// Decides, per file, how its bytes are to be read. UTF-8 when at least four in five of its
/// non-ASCII sequences are well-formed UTF-8 (one stray byte in a UTF-8 file leaves it UTF-8);
/// otherwise Windows-1251. A byte-order mark does not decide it: Windows-1251 text after one
/// is still Windows-1251.
IniEncoding DetectIniEncoding(std::string_view bytes);

/// UTF-8 text in Windows-1251; nullopt when a character has no byte in that code page.
std::optional<std::string> Utf8ToWindows1251(std::string_view text);

/// The bytes of an INI file as UTF-8 text (the byte-order mark kept where there is one). A
/// UTF-8 file is returned as it is, each stray byte in it as U+FFFD; a Windows-1251 file is
/// converted.
std::string IniTextAsUtf8(std::string_view bytes);

/// The text of an INI file as UTF-8 (see IniTextAsUtf8); nullopt when path is no regular file,
/// cannot be read, or is larger than maxBytes (no INI file of this tool is that large).
std::optional<std::string> ReadIniFile(const std::filesystem::path& path,
                                       std::uintmax_t maxBytes = 16u << 20);

}  // namespace app

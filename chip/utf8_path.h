// File names as the tool keeps them: UTF-8 text in settings, edits and command lines, turned
// into paths (and back) in one place, so that Cyrillic names work on Windows as on Linux.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#if defined(_WIN32)
#include <wchar.h>
#endif

namespace chip {

/// The path a UTF-8 text names.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

/// The path as UTF-8 text.
inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

/// The path an environment variable names; empty when it is unset or empty. On Windows the
/// variable is read as UTF-16, so a name outside the ANSI code page survives.
inline std::filesystem::path PathFromEnvironment(const char* name) {
#if defined(_WIN32)
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    return value != nullptr ? std::filesystem::path(value) : std::filesystem::path();
#else
    const char* value = std::getenv(name);
    return value != nullptr ? PathFromUtf8(value) : std::filesystem::path();
#endif
}

}  // namespace chip

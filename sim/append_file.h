// Opening a log file of the virtual chip (its trace, its truth) for one appended line.
#pragma once

#include <cstdio>
#include <string>

#include "chip/utf8_path.h"

namespace sim {

/// A UTF-8 file name opened for appending bytes (a wide name on Windows); null on failure.
/// Open, append, close: several processes may share one file.
inline std::FILE* OpenForAppending(const std::string& utf8) {
#if defined(_WIN32)
    return _wfopen(chip::PathFromUtf8(utf8).c_str(), L"ab");
#else
    return std::fopen(utf8.c_str(), "ab");
#endif
}

}  // namespace sim

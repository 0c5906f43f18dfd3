#include "app/log_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace app {

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::FILE* Open(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

[[noreturn]] void Fail(const char* step, const std::string& fileName, int error) {
    throw LogFileError(std::string("Cannot ") + step + " log file \"" + fileName +
                       "\": " + std::generic_category().message(error));
}

bool IsExistingFile(const std::filesystem::path& path) {
    std::error_code ignored;
    const auto status = std::filesystem::status(path, ignored);
    return std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace

void AppendLogLine(const std::string& fileName, const std::string& header,
                   const std::string& line) {
    const std::filesystem::path path = PathOf(fileName);
    std::string text;
    std::FILE* file = nullptr;
    if (!IsExistingFile(path)) {
        // Exclusive creation: a file that appeared since the check is appended to, never
        // truncated.
        file = Open(path, "wbx");
        if (file != nullptr) {
            text = header + "\r\n";
        } else if (errno != EEXIST) {
            Fail("create", fileName, errno);
        }
    }
    if (file == nullptr) {
        file = Open(path, "ab");
        if (file == nullptr) Fail("open", fileName, errno);
    }
    text += line + "\r\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int writeError = errno;
    if (!written) {
        std::fclose(file);
        Fail("write", fileName, writeError);
    }
    if (std::fflush(file) != 0) {
        const int flushError = errno;
        std::fclose(file);
        Fail("flush", fileName, flushError);
    }
    if (std::fclose(file) != 0) Fail("close", fileName, errno);
}

}  // namespace app

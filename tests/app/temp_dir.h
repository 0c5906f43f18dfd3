// A fresh temporary directory per test, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <process.h>
#define QX_GETPID _getpid
#else
#include <unistd.h>
#define QX_GETPID getpid
#endif

namespace qxtest {

/// The text with the line ends INI files get on this platform (CR LF on Windows).
inline std::string PlatformLines(const std::string& text) {
#if defined(_WIN32)
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
#else
    return text;
#endif
}

class TempDir {
  public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("qx5520-test-" + std::to_string(QX_GETPID()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// The directory as ExePath: UTF-8 with a trailing separator.
    std::string exePath() const {
        const std::u8string text = (path_ / "").u8string();
        return std::string(text.begin(), text.end());
    }

  private:
    std::filesystem::path path_;
};

}  // namespace qxtest

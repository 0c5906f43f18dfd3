#include "app/batch_file.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace app {
namespace {

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

constexpr intptr_t kNoHandle = -1;

// What must go before the record: the header for an empty file, a line end for a last line
// that lacks one.
std::string Prefix(const std::string& header, bool empty, char lastByte) {
    if (empty) return header + "\r\n";
    if (lastByte == '\r') return "\n";
    if (lastByte != '\n') return "\r\n";
    return {};
}

#if defined(_WIN32)
std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = text != nullptr ? text : L"error";
    if (text != nullptr) LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.'))
        wide.pop_back();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8 + " (error " + std::to_string(code) + ")";
}

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
#else
std::string SystemMessage(int code) {
    return std::strerror(code);
}
#endif

}  // namespace

BatchFile::BatchFile(std::filesystem::path path, intptr_t handle)
    : path_(std::move(path)), handle_(handle) {}

BatchFile::BatchFile(BatchFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_) {
    other.handle_ = kNoHandle;
}

#if defined(_WIN32)

std::optional<BatchFile> BatchFile::Open(const std::filesystem::path& path, std::string& error) {
    HANDLE handle = CreateFileW(path.wstring().c_str(), GENERIC_READ | FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error =
            "cannot open " + PathText(path) + " for appending: " + SystemMessage(GetLastError());
        return std::nullopt;
    }
    return BatchFile(path, reinterpret_cast<intptr_t>(handle));
}

BatchFile::~BatchFile() {
    if (handle_ != kNoHandle) CloseHandle(AsHandle(handle_));
}

bool BatchFile::AppendRecord(const std::string& header, const std::string& line,
                             std::string& error) {
    HANDLE handle = AsHandle(handle_);
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        error = "cannot lock " + PathText(path_) + ": " + SystemMessage(GetLastError());
        return false;
    }
    bool ok = true;
    LARGE_INTEGER size{};
    char last = '\n';
    if (!GetFileSizeEx(handle, &size)) {
        ok = false;
    } else if (size.QuadPart > 0) {
        OVERLAPPED at{};
        const ULONGLONG offset = static_cast<ULONGLONG>(size.QuadPart - 1);
        at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        ok = ReadFile(handle, &last, 1, &read, &at) && read == 1;
    }
    if (ok) {
        const std::string record = Prefix(header, size.QuadPart == 0, last) + line + "\r\n";
        DWORD written = 0;
        ok = WriteFile(handle, record.data(), static_cast<DWORD>(record.size()), &written,
                       nullptr) &&
             written == record.size();
    }
    if (!ok) error = "cannot append to " + PathText(path_) + ": " + SystemMessage(GetLastError());
    OVERLAPPED unlock{};
    UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &unlock);
    return ok;
}

#else

std::optional<BatchFile> BatchFile::Open(const std::filesystem::path& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot open " + PathText(path) + " for appending: " + SystemMessage(errno);
        return std::nullopt;
    }
    return BatchFile(path, fd);
}

BatchFile::~BatchFile() {
    if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
}

bool BatchFile::AppendRecord(const std::string& header, const std::string& line,
                             std::string& error) {
    const int fd = static_cast<int>(handle_);
    auto fail = [&](const char* what) {
        error = std::string(what) + " " + PathText(path_) + ": " + SystemMessage(errno);
        return false;
    };
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) return fail("cannot lock");
    }
    bool ok = false;
    struct stat status {};
    char last = '\n';
    if (::fstat(fd, &status) != 0) {
        fail("cannot read");
    } else if (status.st_size > 0 && ::pread(fd, &last, 1, status.st_size - 1) != 1) {
        fail("cannot read");
    } else {
        const std::string record = Prefix(header, status.st_size == 0, last) + line + "\r\n";
        // One write with O_APPEND: the record lands whole at the end of the file.
        const ssize_t written = ::write(fd, record.data(), record.size());
        if (written != static_cast<ssize_t>(record.size())) {
            if (written >= 0) errno = ENOSPC;
            fail("cannot append to");
        } else {
            ok = true;
        }
    }
    ::flock(fd, LOCK_UN);
    return ok;
}

#endif

}  // namespace app

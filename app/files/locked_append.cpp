#include "app/files/locked_append.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "chip/utf8_path.h"

namespace app {
namespace {

constexpr intptr_t kNoHandle = -1;

// What must go before the record: the header for an empty file, a line end for a last line
// that lacks one.
std::string Prefix(const std::string& header, bool empty, char lastByte) {
    if (empty) return header.empty() ? std::string() : header + "\r\n";
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

// The C library's error number for the system errors a file append meets, much as the C
// runtime maps them for its own file functions; 0 for others.
int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
        case ERROR_NETWORK_ACCESS_DENIED:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        default:
            return 0;
    }
}

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
#else
std::string SystemMessage(int code) {
    return std::strerror(code);
}
#endif

// One line naming the file and the system's reason, as the batch mode reports it.
std::string Describe(const FileFault& fault, const std::filesystem::path& path) {
    std::string what;
    switch (fault.step) {
        case FileFault::Step::Open:
            what = "cannot open " + chip::Utf8FromPath(path) + " for appending";
            break;
        case FileFault::Step::Write:
            what = "cannot append to " + chip::Utf8FromPath(path);
            break;
        default:
            what = std::string("cannot ") + fault.Verb() + " " + chip::Utf8FromPath(path);
            break;
    }
#if defined(_WIN32)
    return what + ": " + SystemMessage(static_cast<DWORD>(fault.code));
#else
    return what + ": " + SystemMessage(fault.code);
#endif
}

}  // namespace

const char* FileFault::Verb() const {
    switch (step) {
        case Step::Create:
            return "create";
        case Step::Open:
            return "open";
        case Step::Lock:
            return "lock";
        case Step::Read:
            return "read";
        case Step::Write:
            return "write";
    }
    return "open";
}

std::string FileFault::Reason() const {
#if defined(_WIN32)
    const int number = ErrnoOf(static_cast<DWORD>(code));
    if (number == 0) return SystemMessage(static_cast<DWORD>(code));
    return std::generic_category().message(number);
#else
    return std::generic_category().message(code);
#endif
}

BatchFile::BatchFile(std::filesystem::path path, intptr_t handle)
    : path_(std::move(path)), handle_(handle) {}

BatchFile::BatchFile(BatchFile&& other) noexcept
    : path_(std::move(other.path_)), handle_(other.handle_) {
    other.handle_ = kNoHandle;
}

std::optional<BatchFile> BatchFile::Open(const std::filesystem::path& path, std::string& error) {
    FileFault fault;
    std::optional<BatchFile> file = OpenFile(path, false, fault);
    if (!file) error = Describe(fault, path);
    return file;
}

bool BatchFile::AppendRecord(const std::string& header, const std::string& line,
                             std::string& error) {
    FileFault fault;
    if (AppendRecord(header, line, fault)) return true;
    error = Describe(fault, path_);
    return false;
}

#if defined(_WIN32)

std::optional<BatchFile> BatchFile::OpenFile(const std::filesystem::path& path, bool exclusive,
                                             FileFault& fault) {
    // Write access, not only appending: a failed write is cut back with SetEndOfFile.
    HANDLE handle = CreateFileW(
        path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, exclusive ? CREATE_NEW : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        fault = {exclusive ? FileFault::Step::Create : FileFault::Step::Open,
                 static_cast<int>(GetLastError())};
        return std::nullopt;
    }
    return BatchFile(path, reinterpret_cast<intptr_t>(handle));
}

// The fault of an exclusive creation that found the file already there.
static bool AlreadyThere(const FileFault& fault) {
    return fault.code == ERROR_FILE_EXISTS || fault.code == ERROR_ALREADY_EXISTS;
}

BatchFile::~BatchFile() {
    if (handle_ != kNoHandle) CloseHandle(AsHandle(handle_));
}

bool BatchFile::AppendRecord(const std::string& header, const std::string& line, FileFault& fault) {
    HANDLE handle = AsHandle(handle_);
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        fault = {FileFault::Step::Lock, static_cast<int>(GetLastError())};
        return false;
    }
    auto at = [](ULONGLONG offset) {
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        position.OffsetHigh = static_cast<DWORD>(offset >> 32);
        return position;
    };
    bool ok = true;
    LARGE_INTEGER size{};
    char last = '\n';
    if (!GetFileSizeEx(handle, &size)) {
        ok = false;
    } else if (size.QuadPart > 0) {
        OVERLAPPED position = at(static_cast<ULONGLONG>(size.QuadPart - 1));
        DWORD read = 0;
        ok = ReadFile(handle, &last, 1, &read, &position) && read == 1;
    }
    if (!ok) {
        fault = {FileFault::Step::Read, static_cast<int>(GetLastError())};
    } else {
        // Written at the end, where the lock keeps every other writer of the file away.
        const std::string record = Prefix(header, size.QuadPart == 0, last) + line + "\r\n";
        OVERLAPPED position = at(static_cast<ULONGLONG>(size.QuadPart));
        DWORD written = 0;
        const BOOL done = WriteFile(handle, record.data(), static_cast<DWORD>(record.size()),
                                    &written, &position);
        ok = done && written == record.size();
        if (!ok) {
            fault = {FileFault::Step::Write,
                     static_cast<int>(done ? ERROR_DISK_FULL : GetLastError())};
            // A full disk may have taken part of the record: cut the file back so that no half
            // line stays for the next record to be glued to.
            if (SetFilePointerEx(handle, size, nullptr, FILE_BEGIN)) SetEndOfFile(handle);
        }
    }
    OVERLAPPED unlock{};
    UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &unlock);
    return ok;
}

void BatchFile::CloseRemovingIfEmpty() {
    CloseHandle(AsHandle(handle_));
    handle_ = kNoHandle;
    // Opened again alone (no sharing): while another writer holds the file this fails and
    // the file stays; otherwise no one can append between the check and the removal.
    HANDLE alone = CreateFileW(path_.wstring().c_str(), GENERIC_READ | DELETE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (alone == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(alone, &size) && size.QuadPart == 0) {
        FILE_DISPOSITION_INFO remove{};
        remove.DeleteFile = TRUE;
        SetFileInformationByHandle(alone, FileDispositionInfo, &remove, sizeof remove);
    }
    CloseHandle(alone);
}

#else

namespace {

// Writes all of the text; 0, or the error number of the write that failed.
int WriteAll(int fd, const std::string& text) {
    const char* next = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) return ENOSPC;
        next += written;
        left -= static_cast<size_t>(written);
    }
    return 0;
}

// Cuts the file back to its size before a failed write. If even that fails there is nothing
// more to do: the write's own failure is what gets reported.
void CutBack(int fd, off_t size) {
    const int result = ::ftruncate(fd, size);
    static_cast<void>(result);
}

}  // namespace

std::optional<BatchFile> BatchFile::OpenFile(const std::filesystem::path& path, bool exclusive,
                                             FileFault& fault) {
    const int flags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : 0);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        fault = {exclusive ? FileFault::Step::Create : FileFault::Step::Open, errno};
        return std::nullopt;
    }
    return BatchFile(path, fd);
}

// The fault of an exclusive creation that found the file already there.
static bool AlreadyThere(const FileFault& fault) {
    return fault.code == EEXIST;
}

BatchFile::~BatchFile() {
    if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
}

bool BatchFile::AppendRecord(const std::string& header, const std::string& line, FileFault& fault) {
    int fd = static_cast<int>(handle_);
    struct stat status {};
    for (int attempt = 0;; ++attempt) {
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                fault = {FileFault::Step::Lock, errno};
                return false;
            }
        }
        // A writer that created the file and could not write its first record removes it
        // again; a record appended to the removed file would be lost, so the file now at the
        // path is opened instead.
        if (::fstat(fd, &status) != 0 || status.st_nlink > 0 || attempt == 10) break;
        const int reopened = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (reopened < 0) break;
        ::close(fd);
        fd = reopened;
        handle_ = reopened;
    }
    bool ok = false;
    char last = '\n';
    ssize_t got = 1;
    if (::fstat(fd, &status) != 0) {
        fault = {FileFault::Step::Read, errno};
    } else if (status.st_nlink == 0) {
        fault = {FileFault::Step::Open, ENOENT};  // removed, and no file could take its place
    } else if (status.st_size > 0 && (got = ::pread(fd, &last, 1, status.st_size - 1)) != 1) {
        fault = {FileFault::Step::Read, got < 0 ? errno : EIO};
    } else {
        const std::string record = Prefix(header, status.st_size == 0, last) + line + "\r\n";
        // With O_APPEND the record lands at the end of the file, whole, in one write (a write
        // cut short is carried on to its end or its error).
        const int error = WriteAll(fd, record);
        if (error != 0) {
            // A full disk may have taken part of the record: cut the file back so that no half
            // line stays for the next record to be glued to.
            if (S_ISREG(status.st_mode)) CutBack(fd, status.st_size);
            fault = {FileFault::Step::Write, error};
        } else {
            ok = true;
        }
    }
    ::flock(fd, LOCK_UN);
    return ok;
}

void BatchFile::CloseRemovingIfEmpty() {
    const int fd = static_cast<int>(handle_);
    int locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR) locked = ::flock(fd, LOCK_EX);
    struct stat held {};
    struct stat named {};
    if (locked == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_size == 0 &&
        ::stat(path_.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino) {
        ::unlink(path_.c_str());
    }
    ::close(fd);  // the lock goes with the descriptor
    handle_ = kNoHandle;
}

#endif

std::optional<BatchFile> BatchFile::CreateOrOpen(const std::filesystem::path& path, bool& created,
                                                 FileFault& fault) {
    created = false;
    if (std::optional<BatchFile> file = OpenFile(path, true, fault)) {
        created = true;
        return file;
    }
    if (!AlreadyThere(fault)) return std::nullopt;
    return OpenFile(path, false, fault);
}

}  // namespace app

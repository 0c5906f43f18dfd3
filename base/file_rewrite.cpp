#include "base/file_rewrite.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace base {
namespace {

#if defined(_WIN32)
unsigned long ProcessId() {
    return GetCurrentProcessId();
}
#else
unsigned long ProcessId() {
    return static_cast<unsigned long>(::getpid());
}
#endif

// A name in the file's folder that no other writer uses (".config.ini.<process>.<count>.tmp").
std::filesystem::path TemporaryName(const std::filesystem::path& path) {
    static std::atomic<unsigned> count{0};
    std::filesystem::path name(".");
    name += path.filename();
    name += '.';
    name += std::to_string(ProcessId());
    name += '.';
    name += std::to_string(count++);
    name += ".tmp";
    return path.parent_path() / name;
}

// Removes the temporary files a writer of path killed mid-save left beside it. Writers of a
// path take turns, so while one holds its turn no other's temporary file is in the making.
void RemoveLeftTemporaries(const std::filesystem::path& path) {
    std::error_code error;
    std::string prefix(1, '.');
    prefix += path.filename().string();
    prefix += '.';
    const std::filesystem::path folder =
        path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    std::vector<std::filesystem::path> left;
    for (auto entry = std::filesystem::directory_iterator(folder, error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
            name.compare(name.size() - 4, 4, ".tmp") == 0 && entry->is_regular_file(error)) {
            left.push_back(entry->path());
        }
    }
    for (const std::filesystem::path& file : left) std::filesystem::remove(file, error);
}

// The file a path names when symbolic links are followed to their end (a target need not
// exist yet): a save through a link replaces the target and leaves the link a link. A loop of
// links, or one nested deeper than the system follows, is left as named; opening fails then.
std::filesystem::path ResolveLinks(std::filesystem::path path) {
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) return path;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) return path;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

#if defined(_WIN32)

// Closes a handle on every way out.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (Valid()) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

// Holds a mutex until the end of the scope.
class Turn {
  public:
    explicit Turn(HANDLE mutex) : mutex_(mutex) {}
    ~Turn() { ReleaseMutex(mutex_); }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

  private:
    HANDLE mutex_;
};

// Windows cannot rename a file over one that any handle holds open, even one that allows
// deletion, so the writers' lock cannot sit on the file itself as it does elsewhere: they
// take turns on a mutex named after the full path instead, in the global namespace so that a
// batch run from a service and the window of a logged-on user take turns too. A writer that
// dies leaves the mutex abandoned, and the next one takes it.
std::wstring MutexName(const std::filesystem::path& path, const wchar_t* space) {
    std::error_code ignored;
    std::wstring text = std::filesystem::absolute(path, ignored).lexically_normal().wstring();
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    uint64_t hash = 14695981039346656037ull;  // FNV-1a: a mutex name holds no backslash
    for (wchar_t c : text) {
        hash ^= static_cast<uint16_t>(c);
        hash *= 1099511628211ull;
    }
    std::wstring name = std::wstring(space) + L"\\qx5520-rewrite-";
    for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(hash >> shift) & 15];
    return name;
}

bool ReadAll(HANDLE file, std::string& content) {
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) return true;
        content.append(buffer, got);
    }
}

bool WriteAll(HANDLE file, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// A file the writer may change in a folder where it may not create one is rewritten in
// place: writers still take turns, only a reader may meet a part of it.
bool WriteInPlace(const std::filesystem::path& path, const std::string& content) {
    const Handle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Valid() && WriteAll(file.Get(), content) && SetEndOfFile(file.Get()) &&
           FlushFileBuffers(file.Get());
}

// A reader that has the file open keeps it from being replaced for that moment: the move is
// tried again for up to two seconds.
bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION &&
            error != ERROR_LOCK_VIOLATION) {
            return false;
        }
        Sleep(10);
    }
    return false;
}

// The writers' mutex of a path: a global one open to every user, or, where the global
// namespace is closed to this process, one of the logon session.
HANDLE OpenMutex(const std::filesystem::path& path) {
    // A NULL DACL: a service that creates the mutex does not keep users from waiting on it.
    SECURITY_DESCRIPTOR open{};
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &open, FALSE};
    LPSECURITY_ATTRIBUTES everyone = nullptr;
    if (InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE)) {
        everyone = &attributes;
    }
    HANDLE mutex = CreateMutexW(everyone, FALSE, MutexName(path, L"Global").c_str());
    if (mutex == nullptr) mutex = CreateMutexW(nullptr, FALSE, MutexName(path, L"Local").c_str());
    return mutex;
}

bool RewriteInTurn(const std::filesystem::path& path,
                   const std::function<std::string(std::string_view)>& edit) {
    std::string current;
    bool linked = false;
    {
        // Opened for writing too: a file that cannot be written is left alone, as one that
        // cannot be read.
        const Handle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
        } else if (GetFileType(file.Get()) != FILE_TYPE_DISK || !ReadAll(file.Get(), current)) {
            return false;
        } else {
            BY_HANDLE_FILE_INFORMATION information{};
            linked = GetFileInformationByHandle(file.Get(), &information) &&
                     information.nNumberOfLinks > 1;
        }
    }
    const std::string content = edit(current);
    if (content == current && !current.empty()) return true;  // nothing to change
    // A file with other hard links keeps them (see the POSIX writer).
    if (linked) return WriteInPlace(path, content);

    std::filesystem::path temporary;
    HANDLE out = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && out == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = TemporaryName(path);
        out = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = out == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
        if (error == ERROR_ACCESS_DENIED) return WriteInPlace(path, content);
        if (error != ERROR_SUCCESS && error != ERROR_FILE_EXISTS) return false;
    }
    if (out == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(out, content) && FlushFileBuffers(out);
    ok = CloseHandle(out) && ok;
    if (ok) ok = MoveOver(temporary, path);
    if (!ok) DeleteFileW(temporary.c_str());
    return ok;
}

#else

// Closes a descriptor on every way out.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

// Opens the file at path (creating it when missing) and takes the exclusive lock on it. A
// writer that renamed its new file over the path while this one waited leaves the lock on a
// file that is no longer there; then the file now at the path is opened and locked. Opened
// for writing too: a file that cannot be written is left alone, as one that cannot be read.
int OpenLocked(const std::filesystem::path& path, struct stat& held) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return -1;
        int locked = ::flock(fd, LOCK_EX);
        while (locked != 0 && errno == EINTR) locked = ::flock(fd, LOCK_EX);
        struct stat named {};
        if (locked == 0 && ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
            return fd;
        }
        ::close(fd);
        if (locked != 0) return -1;
    }
    return -1;
}

bool ReadAll(int fd, std::string& content) {
    char buffer[16384];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        content.append(buffer, static_cast<size_t>(got));
        offset += got;
    }
}

bool WriteAll(int fd, const std::string& content, off_t at) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t written = ::pwrite(fd, content.data() + done, content.size() - done,
                                         at + static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

// A file the writer may change in a folder where it may not create one is rewritten in
// place: writers still take turns, only a reader may meet a part of it.
bool WriteInPlace(int fd, const std::string& content) {
    return WriteAll(fd, content, 0) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 &&
           ::fsync(fd) == 0;
}

#endif

}  // namespace

#if defined(_WIN32)

bool RewriteFile(const std::filesystem::path& named,
                 const std::function<std::string(std::string_view current)>& edit) {
    const std::filesystem::path path = ResolveLinks(named);
    const Handle mutex(OpenMutex(path));
    if (!mutex.Valid()) return false;
    const DWORD waited = WaitForSingleObject(mutex.Get(), INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
    const Turn turn(mutex.Get());
    RemoveLeftTemporaries(path);
    return RewriteInTurn(path, edit);
}

#else

bool RewriteFile(const std::filesystem::path& named,
                 const std::function<std::string(std::string_view current)>& edit) {
    const std::filesystem::path path = ResolveLinks(named);
    struct stat held {};
    const Descriptor locked(OpenLocked(path, held));
    // Only a regular file is replaced (never /dev/null or the like).
    if (locked.Get() < 0 || !S_ISREG(held.st_mode)) return false;
    RemoveLeftTemporaries(path);
    std::string current;
    if (!ReadAll(locked.Get(), current)) return false;
    const std::string content = edit(current);
    if (content == current && held.st_size > 0) return true;  // nothing to change
    // A file with other hard links keeps them: a new file renamed over this name would leave
    // the other names on the old content.
    if (held.st_nlink > 1) return WriteInPlace(locked.Get(), content);

    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(path);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        const int error = fd < 0 ? errno : 0;
        if (error == EACCES || error == EPERM) return WriteInPlace(locked.Get(), content);
        if (error != 0 && error != EEXIST) return false;
    }
    if (fd < 0) return false;
    // The new file keeps the old one's owner (where allowed) and permissions.
    if (::fchown(fd, held.st_uid, held.st_gid) != 0) {
        // Only root may give a file away; the writer's own file serves as well.
    }
    ::fchmod(fd, held.st_mode & 07777);
    bool ok = WriteAll(fd, content, 0) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    // The lock goes with the descriptor, after the new file is in place.
    return ok;
}

#endif

}  // namespace base

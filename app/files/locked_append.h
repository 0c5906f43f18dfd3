// Appending one record to a batch output file in place, under an exclusive lock, so that
// scripts running the tool side by side lose no line and a killed run leaves the existing
// bytes as they were. The log files of the window go through the same append.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace app {

/// Why a file could not be opened or appended to: the step that failed and the system's
/// error number (errno; GetLastError() on Windows).
struct FileFault {
    enum class Step { Create, Open, Lock, Read, Write };
    Step step = Step::Open;
    int code = 0;

    /// The step as a verb: "create", "open", "lock", "read" or "write".
    const char* Verb() const;
    /// The system's reason in the C library's words, e.g. "No space left on device".
    std::string Reason() const;
};

/// A batch output file opened for appending. Opening fails early (before any chip read) when
/// the file cannot be created or written.
class BatchFile {
  public:
    /// Opens or creates the file for appending. On failure returns nullopt and sets error to
    /// one line naming the file and the system's reason.
    static std::optional<BatchFile> Open(const std::filesystem::path& path, std::string& error);

    /// Creates the file when nothing of that name exists, and then sets created; otherwise
    /// opens what is there for appending (a directory fails to open).
    static std::optional<BatchFile> CreateOrOpen(const std::filesystem::path& path, bool& created,
                                                 FileFault& fault);

    BatchFile(BatchFile&& other) noexcept;
    BatchFile& operator=(BatchFile&&) = delete;
    BatchFile(const BatchFile&) = delete;
    ~BatchFile();

    /// Under an exclusive lock: writes header + CR LF when the file is empty (an empty header:
    /// nothing), ends a last line that lacks its line end, then writes line + CR LF, all at the
    /// end of the file in one write. A write that fails or falls short (a full disk) is cut
    /// back to the size before it, so no half line stays. Existing bytes are never changed.
    /// Returns false with error set when it cannot.
    bool AppendRecord(const std::string& header, const std::string& line, std::string& error);
    /// The same, with the failure as a step and the system's error number.
    bool AppendRecord(const std::string& header, const std::string& line, FileFault& fault);

    /// Closes the file and removes it when it is still empty: one the caller created and
    /// could not write its first record to, so that the next run finds no file and starts it
    /// with the header. Decided under the lock, and only while the path still names this file:
    /// a record another process appended meanwhile stays, as does a file put in its place.
    void CloseRemovingIfEmpty();

  private:
    BatchFile(std::filesystem::path path, intptr_t handle);
    // Opens for appending, creating the file when it is missing; exclusive: only when it is.
    static std::optional<BatchFile> OpenFile(const std::filesystem::path& path, bool exclusive,
                                             FileFault& fault);
    std::filesystem::path path_;
    intptr_t handle_;
};

}  // namespace app

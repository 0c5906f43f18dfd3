// Appending one record to a batch output file in place, under an exclusive lock, so that
// scripts running the tool side by side lose no line and a killed run leaves the existing
// bytes as they were.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace app {

/// A batch output file opened for appending. Opening fails early (before any chip read) when
/// the file cannot be created or written.
class BatchFile {
  public:
    /// Opens or creates the file for appending. On failure returns nullopt and sets error to
    /// one line naming the file and the system's reason.
    static std::optional<BatchFile> Open(const std::filesystem::path& path, std::string& error);

    BatchFile(BatchFile&& other) noexcept;
    BatchFile& operator=(BatchFile&&) = delete;
    BatchFile(const BatchFile&) = delete;
    ~BatchFile();

    /// Under an exclusive lock: writes header + CR LF when the file is empty, ends a last
    /// line that lacks its line end, then writes line + CR LF, all at the end of the file.
    /// Existing bytes are never changed. Returns false with error set when it cannot.
    bool AppendRecord(const std::string& header, const std::string& line, std::string& error);

  private:
    BatchFile(std::filesystem::path path, intptr_t handle);
    std::filesystem::path path_;
    intptr_t handle_;
};

}  // namespace app

// The log-append step shared by the three periodic readouts.
#pragma once

#include <stdexcept>
#include <string>

namespace app {

/// A log file that could not be created, opened, locked, read or written. what() names the
/// step, the file and the system's error text.
class LogFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Appends one reading to a semicolon-separated log file. A file that does not exist yet (a
/// directory counts as none) is created and starts with the header line; an existing file,
/// also an empty one, gets no header. The line goes in as a batch output file's record does
/// (BatchFile::AppendRecord): in one write under an exclusive lock, after a line end for a
/// last line that lacks one, and a write the disk cannot take is cut back whole. The file is
/// opened and closed for this one line. Lines end with CR LF. fileName is UTF-8.
void AppendLogLine(const std::string& fileName, const std::string& header, const std::string& line);

}  // namespace app

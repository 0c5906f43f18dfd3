#include "app/files/log_file.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "app/files/locked_append.h"
#include "chip/utf8_path.h"

namespace app {

namespace {

[[noreturn]] void Fail(const FileFault& fault, const std::string& fileName) {
    throw LogFileError(std::string("Cannot ") + fault.Verb() + " log file \"" + fileName +
                       "\": " + fault.Reason());
}

}  // namespace

void AppendLogLine(const std::string& fileName, const std::string& header,
                   const std::string& line) {
    const std::filesystem::path path = chip::PathFromUtf8(fileName);
    FileFault fault;
    bool created = false;
    std::optional<BatchFile> file = BatchFile::CreateOrOpen(path, created, fault);
    if (!file) Fail(fault, fileName);
    if (file->AppendRecord(created ? header : std::string(), line, fault)) return;
    if (created) file->CloseRemovingIfEmpty();
    Fail(fault, fileName);
}

}  // namespace app

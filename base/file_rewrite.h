// Rewriting a small text file as one step that tools running side by side see whole: the
// settings file, written by every batch run on its way out, and the virtual chip's register
// file, written after every write it takes.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace base {

/// Replaces the content of the file at path with edit(current content) as one step. Writers
/// of the same path take turns under an exclusive lock; the new content goes to a temporary
/// file in the same folder, which is then renamed over the file, so a reader (who needs no
/// lock) sees the old file or the new one, never a part. A missing file counts as empty and is
/// created. A file that may be written in a folder where no file may be created is rewritten
/// in place instead (writers still take turns). Returns false, with the file as it was and no
/// temporary file left, when the path names something that is not a regular file, or a file that
/// cannot be read or written, or when the new file cannot be written or put in place. A
/// temporary file of the path that a killed writer left is removed in the writer's turn; errno
/// tells why a write failed. A symbolic link stays a link (its target is rewritten), a file
/// with other hard links is rewritten in place so that every name keeps the new content, and
/// an edit that changes nothing leaves the file untouched.
bool RewriteFile(const std::filesystem::path& path,
                 const std::function<std::string(std::string_view current)>& edit);

}  // namespace base

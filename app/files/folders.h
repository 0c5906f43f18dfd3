// Where the tool keeps the files it writes: config.ini, and the default names of the log
// files. Beside the executable when its folder is writable (a portable copy, a build); in
// per-user folders when it is not (an installed copy).
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace app {

/// Folders as UTF-8 text with their trailing separator.
struct Folders {
    std::string settings;  // config.ini
    std::string data;      // the folder the default log file names start with
};

/// An environment variable's value as a path; empty when unset or empty.
using Environment = std::function<std::filesystem::path(const char* name)>;

/// True when a file can be created in the folder.
bool FolderWritable(const std::filesystem::path& folder);

/// programFolder (the executable's, with its separator) for both when `writable` says so.
/// Otherwise, on Linux, $XDG_CONFIG_HOME/qx5520/ and $XDG_DATA_HOME/qx5520/ (by default
/// ~/.config/qx5520/ and ~/.local/share/qx5520/); on Windows %APPDATA%\QX5520\ for both.
/// The per-user folders are made here, readable by their owner only; when there is no home
/// to put them in, the program folder stays (and a save there reports that it cannot write).
Folders ChooseFolders(
    const std::string& programFolder, const Environment& environment,
    const std::function<bool(const std::filesystem::path&)>& writable = FolderWritable);
/// The same over the process's environment. The Debian package's build always takes the
/// per-user folders.
Folders ChooseFolders(const std::string& programFolder);

}  // namespace app

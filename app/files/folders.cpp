#include "app/files/folders.h"

#include <fstream>
#include <system_error>

#include "chip/utf8_path.h"

#if defined(_WIN32)
#include <process.h>
#define QX_PROCESS_ID _getpid
#else
#include <unistd.h>
#define QX_PROCESS_ID getpid
#endif

namespace app {
namespace {

namespace fs = std::filesystem;

std::string WithSeparator(const fs::path& folder) {
    return chip::Utf8FromPath(folder / "");
}

#if !defined(_WIN32)
// The base folder a variable names, or home / fallback. A relative path in the variable is
// ignored, as XDG asks.
fs::path Base(const Environment& environment, const char* variable, const fs::path& home,
              const char* fallback) {
    const fs::path named = environment(variable);
    if (!named.empty() && named.is_absolute()) return named;
    if (home.empty()) return {};
    return home / fallback;
}
#endif

// Makes the folder and any missing folder above it, readable by its owner only, as XDG asks
// of the folders a program makes.
void MakePrivate(const fs::path& folder) {
    std::error_code error;
    if (folder.empty() || fs::exists(folder, error)) return;
    MakePrivate(folder.parent_path() == folder ? fs::path() : folder.parent_path());
    if (fs::create_directory(folder, error)) {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
    }
}

}  // namespace

bool FolderWritable(const fs::path& folder) {
    // Creating a file is the one test that sees permissions, access control lists and
    // read-only mounts alike.
    std::error_code ignored;
    if (!fs::is_directory(folder, ignored)) return false;
    // A name of this process's own: runs side by side do not see each other's probe.
    const fs::path probe = folder / (".qx5520-write-test-" + std::to_string(QX_PROCESS_ID()));
    bool created = false;
    {
        std::ofstream file(probe, std::ios::binary | std::ios::app);
        created = file.is_open();
    }
    if (created) fs::remove(probe, ignored);
    return created;
}

Folders ChooseFolders(const std::string& programFolder, const Environment& environment,
                      const std::function<bool(const fs::path&)>& writable) {
    const Folders portable{programFolder, programFolder};
    if (writable(chip::PathFromUtf8(programFolder))) return portable;
#if defined(_WIN32)
    const fs::path appData = environment("APPDATA");
    if (appData.empty() || !appData.is_absolute()) return portable;
    const fs::path settings = appData / "QX5520";
    const fs::path data = settings;
#else
    const fs::path home = environment("HOME");
    const fs::path configBase = Base(environment, "XDG_CONFIG_HOME", home, ".config");
    const fs::path dataBase = Base(environment, "XDG_DATA_HOME", home, ".local/share");
    if (configBase.empty() || dataBase.empty()) return portable;
    const fs::path settings = configBase / "qx5520";
    const fs::path data = dataBase / "qx5520";
#endif
    MakePrivate(settings);
    MakePrivate(data);
    return {WithSeparator(settings), WithSeparator(data)};
}

Folders ChooseFolders(const std::string& programFolder) {
    return ChooseFolders(programFolder,
                         [](const char* name) { return chip::PathFromEnvironment(name); });
}

}  // namespace app

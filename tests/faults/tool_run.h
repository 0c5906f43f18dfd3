// Runs the built qx5520 in a private copy of its folder (config.ini lives beside the
// executable), with a scenario for the virtual chip, and collects what a script would see.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace faults {

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

/// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qx_faults_XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const {
        return path_ / std::filesystem::u8path(name);
    }

  private:
    std::filesystem::path path_;
};

struct RunResult {
    int code = -1;  // the exit code; 124 when the run had to be stopped (a hang)
    std::string out;
    std::string err;
};

/// The tool's folder: qx5520 and, unless withLibrary is false, the virtual chip as libMPSSE.so.
class ToolFolder {
  public:
    explicit ToolFolder(bool withLibrary = true) {
        std::filesystem::copy_file(QX_TOOL_EXE, dir_ / "qx5520");
        if (withLibrary) std::filesystem::copy_file(QX_SIM_LIBRARY, dir_ / "libMPSSE.so");
    }
    const TempDir& dir() const { return dir_; }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

    /// Writes the scenario of the virtual chip ([sim] section body) used by the next runs.
    void Scenario(const std::string& keys) { WriteFile(dir_ / "scenario.ini", "[sim]\n" + keys); }

    /// Runs qx5520 with the arguments (each quoted), extra environment entries first. A run
    /// that does not end within 60 s is stopped and counts as a hang (code 124).
    RunResult Run(const std::vector<std::string>& args,
                  const std::vector<std::string>& environment = {}) const {
        std::string command = "cd '" + dir_.path().string() + "' && env QX5520_SIM='" +
                              (dir_ / "scenario.ini").string() + "'";
        for (const std::string& entry : environment) command += " '" + entry + "'";
        command += " timeout 60 ./qx5520";
        for (const std::string& arg : args) command += " '" + arg + "'";
        command += " >'" + (dir_ / "run.out").string() + "' 2>'" + (dir_ / "run.err").string() +
                   "' </dev/null";
        const int status = std::system(command.c_str());
        RunResult result;
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = ReadFile(dir_ / "run.out");
        result.err = ReadFile(dir_ / "run.err");
        return result;
    }

  private:
    TempDir dir_;
};

}  // namespace faults

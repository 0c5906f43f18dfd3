#include <string>
#include <vector>

#include "app/batch/batch.h"
#include "app/shell.h"
#include "app/window_entry.h"
#include "chip/UnitFTDI.h"
#include "chip/utf8_path.h"

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace {

// The arguments after the program name, as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv) {
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        args.push_back(text);
    }
    if (wide != nullptr) LocalFree(wide);
    return args;
#else
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    // The binding runs before anything else; its messages wait for a sink (stderr in a batch
    // run, a message box once the window system is up).
    chip::LoadAdapterLibrary();
    const std::vector<std::string> args = Arguments(argc, argv);
    if (app::IsBatchCommandLine(args)) return app::RunBatch(args);
    return app::RunWindow(argc, argv);
}

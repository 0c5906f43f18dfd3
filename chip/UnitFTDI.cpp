#include "chip/UnitFTDI.h"

#include <cstdlib>
#include <vector>

#include "chip/utf8_path.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#endif

namespace chip {
namespace {

struct Binding {
    AdapterEntryPoints entryPoints;
    bool attempted = false;
    BindingMessageSink sink;
    std::vector<std::string> pending;
};

Binding& State() {
    static Binding binding;
    return binding;
}

void Report(const std::string& message) {
    Binding& binding = State();
    if (binding.sink) {
        binding.sink(message);
    } else {
        binding.pending.push_back(message);
    }
}

#if defined(_WIN32)
using LibraryHandle = HMODULE;

std::wstring Widen(const std::filesystem::path& path) {
    return path.wstring();
}

LibraryHandle OpenLibrary(const std::filesystem::path& path) {
    // A full path: that file and its dependencies from its folder and System32 only.
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error) return nullptr;
    full.make_preferred();
    return LoadLibraryExW(Widen(full).c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

LibraryHandle OpenAdapterLibraryByName() {
    // The application folder and System32; never the current folder.
    return LoadLibraryExW(L"libMPSSE.dll", nullptr,
                          LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* Lookup(LibraryHandle library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(library, name));
}
#else
using LibraryHandle = void*;

LibraryHandle OpenLibrary(const std::filesystem::path& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

LibraryHandle OpenAdapterLibraryByName() {
    // Beside the executable first, by full path; then the system's search path by bare name
    // (a bare name never makes the loader look in the current directory).
    std::error_code error;
    const std::filesystem::path beside = ExecutablePath().parent_path() / AdapterLibraryName();
    if (std::filesystem::exists(beside, error)) {
        if (LibraryHandle library = OpenLibrary(beside)) return library;
    }
    LibraryHandle library = dlopen(AdapterLibraryName(), RTLD_NOW | RTLD_LOCAL);
    // An empty or relative entry in a search path (LD_LIBRARY_PATH=":/x", a RUNPATH of
    // "$ORIGIN:") would make the loader take the file from the current directory; a library
    // found that way is refused.
    struct link_map* map = nullptr;
    if (library != nullptr && (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
                               map->l_name == nullptr || map->l_name[0] != '/')) {
        dlclose(library);
        return nullptr;
    }
    return library;
}

void* Lookup(LibraryHandle library, const char* name) {
    return dlsym(library, name);
}
#endif

template <typename Function>
bool Find(LibraryHandle library, const char* name, Function& target) {
    target = reinterpret_cast<Function>(Lookup(library, name));
    return target != nullptr;
}

// Looks the entry points up in their order; the first one missing stops the binding with
// its message, and the ones after it stay absent. The two GPIO entries are looked up
// together and share one message.
bool BindEntryPoints(LibraryHandle library) {
    AdapterEntryPoints& e = State().entryPoints;
    e = AdapterEntryPoints{};
    if (!Find(library, "SPI_GetNumChannels", e.SPI_GetNumChannels) ||
        !Find(library, "SPI_GetChannelInfo", e.SPI_GetChannelInfo)) {
        Report(kFunctionNotFound);
        return false;
    }
    if (!Find(library, "SPI_OpenChannel", e.SPI_OpenChannel)) {
        Report(kOpenChannelNotFound);
        return false;
    }
    if (!Find(library, "SPI_InitChannel", e.SPI_InitChannel) ||
        !Find(library, "SPI_CloseChannel", e.SPI_CloseChannel) ||
        !Find(library, "SPI_Read", e.SPI_Read) || !Find(library, "SPI_Write", e.SPI_Write) ||
        !Find(library, "SPI_IsBusy", e.SPI_IsBusy)) {
        Report(kFunctionNotFound);
        return false;
    }
    const bool write = Find(library, "FT_WriteGPIO", e.FT_WriteGPIO);
    const bool read = Find(library, "FT_ReadGPIO", e.FT_ReadGPIO);
    if (!write || !read) {
        Report(kFunctionNotFound);
        return false;
    }
    Find(library, "QX_ReadAngleBurst", e.QX_ReadAngleBurst);  // optional: no message
    return true;
}

bool Bind(LibraryHandle library) {
    State().attempted = true;
    if (library == nullptr) {
        State().entryPoints = AdapterEntryPoints{};
        Report(kLibraryNotLoaded);
        return false;
    }
    // The library stays loaded until the process ends.
    return BindEntryPoints(library);
}

}  // namespace

const char* AdapterLibraryName() {
#if defined(_WIN32)
    return "libMPSSE.dll";
#else
    return "libMPSSE.so";
#endif
}

void SetBindingMessageSink(BindingMessageSink sink) {
    Binding& binding = State();
    binding.sink = std::move(sink);
    if (!binding.sink) return;
    std::vector<std::string> pending;
    pending.swap(binding.pending);
    for (const std::string& message : pending) binding.sink(message);
}

void LoadAdapterLibrary() {
    if (State().attempted) return;
    if (const std::filesystem::path file = PathFromEnvironment(kAdapterLibraryVariable);
        !file.empty()) {
        BindAdapterLibrary(file);
        return;
    }
    Bind(OpenAdapterLibraryByName());
}

bool BindAdapterLibrary(const std::filesystem::path& path) {
    return Bind(OpenLibrary(path));
}

void InstallAdapterEntryPoints(const AdapterEntryPoints& entryPoints) {
    State().attempted = true;
    State().entryPoints = entryPoints;
}

const AdapterEntryPoints& EntryPoints() {
    if (!State().attempted) LoadAdapterLibrary();
    return State().entryPoints;
}

bool AdapterLibraryComplete() {
    const AdapterEntryPoints& e = EntryPoints();
    return e.SPI_GetNumChannels && e.SPI_GetChannelInfo && e.SPI_OpenChannel && e.SPI_InitChannel &&
           e.SPI_CloseChannel && e.SPI_Read && e.SPI_Write && e.SPI_IsBusy && e.FT_WriteGPIO &&
           e.FT_ReadGPIO;
}

std::filesystem::path ExecutablePath() {
#if defined(_WIN32)
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path{} : path;
#endif
}

}  // namespace chip

#include "app/version.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// The file version comes from the VERSIONINFO resource; link with version.lib.
#else
#include <elf.h>

#include <array>
#include <cerrno>
#include <fstream>

#include "chip/UnitFTDI.h"
#endif

#if !defined(QX_VERSION_MAJOR) || !defined(QX_VERSION_MINOR) || !defined(QX_VERSION_PATCH) || \
    !defined(QX_VERSION_TWEAK)
#error "the build passes the project version as QX_VERSION_MAJOR/MINOR/PATCH/TWEAK"
#endif

namespace app {

std::string FormatVersion(uint16_t major, uint16_t minor, uint16_t release, uint16_t build) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned{major}, unsigned{minor},
                  unsigned{release}, unsigned{build});
    return text;
}

#ifdef _WIN32

namespace {

std::string Utf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(length > 0 ? length - 1 : 0, '\0');
    if (length > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    return result;
}

[[noreturn]] void ThrowLastError(const wchar_t* path) {
    const DWORD code = GetLastError();
    char* message = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
    std::string text = message ? message : "System error " + std::to_string(code);
    if (message) LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    throw std::runtime_error("The version information of " + Utf8(path) +
                             " cannot be read: " + text);
}

std::string FileVersionOf(const wchar_t* path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0) ThrowLastError(path);
    std::vector<unsigned char> buffer(size);
    if (!GetFileVersionInfoW(path, 0, size, buffer.data())) ThrowLastError(path);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
        info == nullptr)
        ThrowLastError(path);
    return FormatVersion(HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                         HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
}

}  // namespace

std::string FileVersionString() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) ThrowLastError(L"the running executable");
        if (length < path.size()) break;
        path.resize(path.size() * 2);
    }
    return FileVersionOf(path.data());
}

std::string FileVersionString(const std::string& executablePath) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, executablePath.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> path(length > 0 ? length : 1);
    MultiByteToWideChar(CP_UTF8, 0, executablePath.c_str(), -1, path.data(), length);
    return FileVersionOf(path.data());
}

#else

namespace {

/// The version record embedded in every executable that links this unit: a marked block in
/// a section of its own, found again in the file the way a version resource would be.
struct VersionRecord {
    char magic[8];
    uint16_t numbers[4];  // major, minor, release, build
};

constexpr char kVersionSection[] = "qx_version";
constexpr char kVersionMagic[8] = {'Q', 'X', 'V', 'E', 'R', 'S', 'N', '1'};

[[gnu::used, gnu::section("qx_version")]] const VersionRecord kVersionRecord{
    {'Q', 'X', 'V', 'E', 'R', 'S', 'N', '1'},
    {QX_VERSION_MAJOR, QX_VERSION_MINOR, QX_VERSION_PATCH, QX_VERSION_TWEAK}};

[[noreturn]] void Fail(const std::string& name, const std::string& reason) {
    throw std::runtime_error("The version information of " + name + " cannot be read: " + reason);
}

// The record in the opened file; an error names the file as `name`.
template <typename Header, typename SectionHeader>
VersionRecord FindRecord(std::ifstream& file, const std::string& name) {
    auto readAt = [&](uint64_t offset, void* target, size_t size) {
        file.seekg(static_cast<std::streamoff>(offset));
        file.read(static_cast<char*>(target), static_cast<std::streamsize>(size));
        if (!file) Fail(name, "the file is truncated");
    };
    Header header{};
    readAt(0, &header, sizeof header);
    if (header.e_shentsize != sizeof(SectionHeader) || header.e_shnum == 0 ||
        header.e_shstrndx >= header.e_shnum)
        Fail(name, "the file has no section table");

    std::vector<SectionHeader> sections(header.e_shnum);
    readAt(header.e_shoff, sections.data(), sections.size() * sizeof(SectionHeader));
    const SectionHeader& names = sections[header.e_shstrndx];
    std::vector<char> nameTable(names.sh_size + 1, '\0');
    readAt(names.sh_offset, nameTable.data(), names.sh_size);

    for (const SectionHeader& section : sections) {
        if (section.sh_name >= names.sh_size) continue;
        if (std::strcmp(&nameTable[section.sh_name], kVersionSection) != 0) continue;
        if (section.sh_type == SHT_NOBITS || section.sh_size < sizeof(VersionRecord))
            Fail(name, "the version record is empty");
        VersionRecord record{};
        readAt(section.sh_offset, &record, sizeof record);
        if (std::memcmp(record.magic, kVersionMagic, sizeof kVersionMagic) != 0)
            Fail(name, "the version record is damaged");
        return record;
    }
    Fail(name, "the file holds no version record");
}

// The version recorded in the file at path; an error names the file as `name`.
std::string VersionOf(const std::string& path, const std::string& name) {
    std::ifstream file(path, std::ios::binary);
    if (!file) Fail(name, std::strerror(errno));
    std::array<unsigned char, EI_NIDENT> ident{};
    file.read(reinterpret_cast<char*>(ident.data()), ident.size());
    if (!file || std::memcmp(ident.data(), ELFMAG, SELFMAG) != 0)
        Fail(name, "the file is not an executable");

    const VersionRecord record = ident[EI_CLASS] == ELFCLASS64
                                     ? FindRecord<Elf64_Ehdr, Elf64_Shdr>(file, name)
                                     : FindRecord<Elf32_Ehdr, Elf32_Shdr>(file, name);
    return FormatVersion(record.numbers[0], record.numbers[1], record.numbers[2],
                         record.numbers[3]);
}

}  // namespace

std::string FileVersionString(const std::string& executablePath) {
    return VersionOf(executablePath, executablePath);
}

std::string FileVersionString() {
    // Read through /proc/self/exe, which stays the running file even after its name has been
    // given to another, but named by the executable's real path: the name a user can find.
    const std::string name = chip::ExecutablePath().string();
    return VersionOf("/proc/self/exe", name.empty() ? "/proc/self/exe" : name);
}

#endif

}  // namespace app

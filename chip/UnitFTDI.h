// UnitFTDI: run-time binding of the adapter library (libMPSSE) and its entry points.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "chip/I2Cdeclarations.h"

namespace chip {

/// The entry points of the adapter library, in the order they are looked up. The real
/// library, the virtual chip and a test fake all stand behind this one table; an absent
/// entry is null and is never called.
struct AdapterEntryPoints {
    SPI_GetNumChannels_t SPI_GetNumChannels = nullptr;
    SPI_GetChannelInfo_t SPI_GetChannelInfo = nullptr;
    SPI_OpenChannel_t SPI_OpenChannel = nullptr;
    SPI_InitChannel_t SPI_InitChannel = nullptr;
    SPI_CloseChannel_t SPI_CloseChannel = nullptr;
    SPI_Read_t SPI_Read = nullptr;
    SPI_Write_t SPI_Write = nullptr;
    SPI_IsBusy_t SPI_IsBusy = nullptr;
    FT_WriteGPIO_t FT_WriteGPIO = nullptr;
    FT_ReadGPIO_t FT_ReadGPIO = nullptr;
    /// Optional, this project's own: bursts of angle frames (null in FTDI's library).
    QX_ReadAngleBurst_t QX_ReadAngleBurst = nullptr;
};

inline constexpr const char* kLibraryNotLoaded = "Библиотека не была загружена";
inline constexpr const char* kOpenChannelNotFound = "Функция SPI_OpenChannel не найдена в DLL";
inline constexpr const char* kFunctionNotFound = "Функция не найдена в DLL";

/// The adapter library's bare file name: libMPSSE.dll on Windows, libMPSSE.so elsewhere.
const char* AdapterLibraryName();

/// Names the library file to bind in place of the one beside the executable (full path).
inline constexpr const char* kAdapterLibraryVariable = "QX5520_ADAPTER_LIBRARY";

/// Receives a binding message (UTF-8). The window shows it in a message box; the batch mode
/// writes it to stderr as one line.
using BindingMessageSink = std::function<void(const std::string& message)>;

/// Installs the sink. Messages raised while no sink was installed are held and delivered to
/// the new sink at once, in their order, so the binding can run before the window exists.
void SetBindingMessageSink(BindingMessageSink sink);

/// Loads the adapter library once per process: the file named by QX5520_ADAPTER_LIBRARY
/// when set, else libMPSSE beside the executable, else by bare name through the system's
/// library search path (never the current directory). Looks up the ten entry points in
/// order and stops at the first one missing, with its message. Later calls do nothing.
void LoadAdapterLibrary();

/// Binds the library at path instead (tests with broken libraries): replaces the table with
/// what that file offers, with the same messages. Returns whether every entry was found.
bool BindAdapterLibrary(const std::filesystem::path& path);

/// Replaces the table directly (test fakes). Marks the library as loaded.
void InstallAdapterEntryPoints(const AdapterEntryPoints& entryPoints);

/// The bound table; runs LoadAdapterLibrary first when nothing was bound yet.
const AdapterEntryPoints& EntryPoints();

/// Whether the bound table has every entry point (a library was found and nothing was
/// missing from it).
bool AdapterLibraryComplete();

/// The running executable's full path (/proc/self/exe, GetModuleFileNameW).
std::filesystem::path ExecutablePath();

}  // namespace chip

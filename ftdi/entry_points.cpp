// The C entry points of the adapter library, with FTDI's published libMPSSE names and
// signatures, over the library's device source (libftdi1, or the MPSSE engine model in the
// test library). Nothing else leaves this library.
#include <memory>
#include <new>
#include <type_traits>

#include "chip/I2Cdeclarations.h"
#include "ftdi/backend.h"
#include "ftdi/device_source.h"
#include "ftdi/trace.h"

namespace {

ftdi::Backend& backend() {
    static const std::unique_ptr<ftdi::DeviceSource> source = ftdi::MakeDeviceSource();
    static ftdi::Backend instance(*source);
    return instance;
}

// No exception may cross into the C caller.
template <typename Call>
FT_STATUS guarded(Call call) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return FT_INSUFFICIENT_RESOURCES;
    } catch (...) {
        return FT_OTHER_ERROR;
    }
}

}  // namespace

extern "C" {

QX_MPSSE_EXPORT FT_STATUS SPI_GetNumChannels(uint32_t* numChannels) {
    return guarded([&] { return backend().getNumChannels(numChannels); });
}

QX_MPSSE_EXPORT FT_STATUS SPI_GetChannelInfo(uint32_t index, FT_DEVICE_LIST_INFO_NODE* chanInfo) {
    return guarded([&] { return backend().getChannelInfo(index, chanInfo); });
}

QX_MPSSE_EXPORT FT_STATUS SPI_OpenChannel(uint32_t index, FT_HANDLE* handle) {
    return guarded([&] { return backend().openChannel(index, handle); });
}

QX_MPSSE_EXPORT FT_STATUS SPI_InitChannel(FT_HANDLE handle, ChannelConfig* config) {
    return guarded([&] { return backend().initChannel(handle, config); });
}

QX_MPSSE_EXPORT FT_STATUS SPI_CloseChannel(FT_HANDLE handle) {
    return guarded([&] { return backend().closeChannel(handle); });
}

QX_MPSSE_EXPORT FT_STATUS SPI_Read(FT_HANDLE handle, uint8_t* buffer, uint32_t sizeToTransfer,
                                   uint32_t* sizeTransferred, uint32_t options) {
    return guarded(
        [&] { return backend().read(handle, buffer, sizeToTransfer, sizeTransferred, options); });
}

QX_MPSSE_EXPORT FT_STATUS SPI_Write(FT_HANDLE handle, uint8_t* buffer, uint32_t sizeToTransfer,
                                    uint32_t* sizeTransferred, uint32_t options) {
    return guarded(
        [&] { return backend().write(handle, buffer, sizeToTransfer, sizeTransferred, options); });
}

QX_MPSSE_EXPORT FT_STATUS SPI_ReadWrite(FT_HANDLE handle, uint8_t* inBuffer, uint8_t* outBuffer,
                                        uint32_t sizeToTransfer, uint32_t* sizeTransferred,
                                        uint32_t options) {
    return guarded([&] {
        return backend().readWrite(handle, inBuffer, outBuffer, sizeToTransfer, sizeTransferred,
                                   options);
    });
}

QX_MPSSE_EXPORT FT_STATUS SPI_IsBusy(FT_HANDLE handle, int* state) {
    return guarded([&] { return backend().isBusy(handle, state); });
}

QX_MPSSE_EXPORT FT_STATUS FT_WriteGPIO(FT_HANDLE handle, uint8_t dir, uint8_t value) {
    return guarded([&] { return backend().writeGpio(handle, dir, value); });
}

QX_MPSSE_EXPORT FT_STATUS FT_ReadGPIO(FT_HANDLE handle, uint8_t* value) {
    return guarded([&] { return backend().readGpio(handle, value); });
}

QX_MPSSE_EXPORT void Init_libMPSSE(void) {
    ftdi::trace("Init_libMPSSE");
}

QX_MPSSE_EXPORT void Cleanup_libMPSSE(void) {
    guarded([] {
        backend().closeAll();
        return FT_STATUS{FT_OK};
    });
}

}  // extern "C"

// The exports keep the exact signatures the tool's binding casts them to.
static_assert(std::is_same_v<decltype(&SPI_GetNumChannels), SPI_GetNumChannels_t>);
static_assert(std::is_same_v<decltype(&SPI_GetChannelInfo), SPI_GetChannelInfo_t>);
static_assert(std::is_same_v<decltype(&SPI_OpenChannel), SPI_OpenChannel_t>);
static_assert(std::is_same_v<decltype(&SPI_InitChannel), SPI_InitChannel_t>);
static_assert(std::is_same_v<decltype(&SPI_CloseChannel), SPI_CloseChannel_t>);
static_assert(std::is_same_v<decltype(&SPI_Read), SPI_Read_t>);
static_assert(std::is_same_v<decltype(&SPI_Write), SPI_Write_t>);
static_assert(std::is_same_v<decltype(&SPI_ReadWrite), SPI_ReadWrite_t>);
static_assert(std::is_same_v<decltype(&SPI_IsBusy), SPI_IsBusy_t>);
static_assert(std::is_same_v<decltype(&FT_WriteGPIO), FT_WriteGPIO_t>);
static_assert(std::is_same_v<decltype(&FT_ReadGPIO), FT_ReadGPIO_t>);
static_assert(std::is_same_v<decltype(&Init_libMPSSE), Init_libMPSSE_t>);
static_assert(std::is_same_v<decltype(&Cleanup_libMPSSE), Cleanup_libMPSSE_t>);

/* Loads the built adapter library by path, the way the tool does, on a machine with no
 * adapter attached (and possibly no USB access at all), and checks that it reports no
 * channels and clean error statuses without crashing or hanging.
 *
 *   no_device <path of libMPSSE_ftdi.so>
 * Exit 0: all checks passed; 1: a check failed; 2: the library could not be used;
 * 77: an adapter is attached, so the no-device checks do not apply. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "chip/I2Cdeclarations.h"

static int failures = 0;

static void expect_status(const char* what, FT_STATUS got, FT_STATUS wanted) {
    if (got != wanted) {
        fprintf(stderr, "FAIL %s: status %u, expected %u\n", what, (unsigned)got, (unsigned)wanted);
        ++failures;
    }
}

static void expect_untouched(const char* what, const uint8_t* buffer, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (buffer[i] != 0x5A) {
            fprintf(stderr, "FAIL %s: buffer byte %zu changed to 0x%02X\n", what, i, buffer[i]);
            ++failures;
            return;
        }
    }
}

/* dlsym gives an object pointer; ISO C has no cast from it to a function pointer, so its
 * bytes are copied into one. */
#define BIND(library, variable, name)                                         \
    do {                                                                      \
        void* entry = dlsym(library, name);                                   \
        if (entry == NULL) fprintf(stderr, "missing entry point %s\n", name); \
        memcpy(&(variable), &entry, sizeof(variable));                        \
    } while (0)

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <adapter library>\n", argv[0]);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 2;
    }

    SPI_GetNumChannels_t getNumChannels;
    BIND(library, getNumChannels, "SPI_GetNumChannels");
    SPI_GetChannelInfo_t getChannelInfo;
    BIND(library, getChannelInfo, "SPI_GetChannelInfo");
    SPI_OpenChannel_t openChannel;
    BIND(library, openChannel, "SPI_OpenChannel");
    SPI_InitChannel_t initChannel;
    BIND(library, initChannel, "SPI_InitChannel");
    SPI_CloseChannel_t closeChannel;
    BIND(library, closeChannel, "SPI_CloseChannel");
    SPI_Read_t spiRead;
    BIND(library, spiRead, "SPI_Read");
    SPI_Write_t spiWrite;
    BIND(library, spiWrite, "SPI_Write");
    SPI_ReadWrite_t spiReadWrite;
    BIND(library, spiReadWrite, "SPI_ReadWrite");
    SPI_IsBusy_t isBusy;
    BIND(library, isBusy, "SPI_IsBusy");
    FT_WriteGPIO_t writeGpio;
    BIND(library, writeGpio, "FT_WriteGPIO");
    FT_ReadGPIO_t readGpio;
    BIND(library, readGpio, "FT_ReadGPIO");
    Init_libMPSSE_t init;
    BIND(library, init, "Init_libMPSSE");
    Cleanup_libMPSSE_t cleanup;
    BIND(library, cleanup, "Cleanup_libMPSSE");
    if (!getNumChannels || !getChannelInfo || !openChannel || !initChannel || !closeChannel ||
        !spiRead || !spiWrite || !spiReadWrite || !isBusy || !writeGpio || !readGpio || !init ||
        !cleanup) {
        return 2;
    }
    init();

    uint32_t count = 12345;
    expect_status("SPI_GetNumChannels", getNumChannels(&count), FT_OK);
    if (count != 0 && count != 12345) {
        fprintf(stderr, "skipped: %u adapter channels are attached\n", (unsigned)count);
        cleanup();
        return 77;
    }
    if (count != 0) {
        fprintf(stderr, "FAIL SPI_GetNumChannels left the count unset\n");
        ++failures;
    }

    FT_DEVICE_LIST_INFO_NODE info;
    memset(&info, 0, sizeof info);
    expect_status("SPI_GetChannelInfo(0)", getChannelInfo(0, &info), FT_DEVICE_NOT_FOUND);

    FT_HANDLE handle = NULL;
    expect_status("SPI_OpenChannel(0)", openChannel(0, &handle), FT_DEVICE_NOT_FOUND);
    if (handle != NULL) {
        fprintf(stderr, "FAIL SPI_OpenChannel gave a handle without a device\n");
        ++failures;
    }

    /* A null handle and one the library never gave out are both refused untouched. */
    FT_HANDLE invalid[2] = {NULL, (FT_HANDLE)(uintptr_t)0xDEAD0};
    for (int i = 0; i < 2; ++i) {
        uint8_t buffer[8];
        uint8_t out[8];
        uint32_t transferred = 99;
        ChannelConfig config;
        memset(&config, 0, sizeof config);
        memset(buffer, 0x5A, sizeof buffer);
        memset(out, 0x5A, sizeof out);
        expect_status("SPI_Read", spiRead(invalid[i], buffer, 2, &transferred, 6),
                      FT_INVALID_HANDLE);
        expect_untouched("SPI_Read", buffer, sizeof buffer);
        if (transferred != 0) {
            fprintf(stderr, "FAIL SPI_Read reported %u bytes transferred\n", (unsigned)transferred);
            ++failures;
        }
        expect_status("SPI_Write", spiWrite(invalid[i], out, 2, &transferred, 6),
                      FT_INVALID_HANDLE);
        expect_status("SPI_ReadWrite", spiReadWrite(invalid[i], buffer, out, 2, &transferred, 6),
                      FT_INVALID_HANDLE);
        expect_untouched("SPI_ReadWrite", buffer, sizeof buffer);
        expect_status("SPI_InitChannel", initChannel(invalid[i], &config), FT_INVALID_HANDLE);
        int busy = 7;
        expect_status("SPI_IsBusy", isBusy(invalid[i], &busy), FT_INVALID_HANDLE);
        expect_status("FT_WriteGPIO", writeGpio(invalid[i], 0xFF, 0x10), FT_INVALID_HANDLE);
        expect_status("FT_ReadGPIO", readGpio(invalid[i], buffer), FT_INVALID_HANDLE);
        expect_untouched("FT_ReadGPIO", buffer, sizeof buffer);
        expect_status("SPI_CloseChannel", closeChannel(invalid[i]), FT_INVALID_HANDLE);
    }

    cleanup();
    dlclose(library);
    if (failures == 0) printf("no device: all checks passed\n");
    return failures == 0 ? 0 : 1;
}

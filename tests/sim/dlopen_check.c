/* Loads the virtual chip the way the tool does, by path with dlopen(), and checks a few of
 * its behaviours through the looked-up entry points. argv[1] is the library's path. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "chip/I2Cdeclarations.h"

static int failures = 0;

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                              \
        }                                                                            \
    } while (0)

static void* Entry(void* library, const char* name) {
    void* entry = dlsym(library, name);
    if (!entry) {
        fprintf(stderr, "entry point %s missing\n", name);
        ++failures;
    }
    return entry;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s <path of the virtual chip library>\n", argv[0]);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 1;
    }
    static const char* const names[] = {
        "SPI_GetNumChannels", "SPI_GetChannelInfo", "SPI_OpenChannel", "SPI_InitChannel",
        "SPI_CloseChannel",   "SPI_Read",           "SPI_Write",       "SPI_ReadWrite",
        "SPI_IsBusy",         "FT_WriteGPIO",       "FT_ReadGPIO",     "Init_libMPSSE",
        "Cleanup_libMPSSE"};
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) Entry(library, names[i]);
    if (failures) return 1;

    /* Function pointers from dlsym go through a union, which ISO C allows. */
    union {
        void* p;
        SPI_GetNumChannels_t f;
    } count = {Entry(library, "SPI_GetNumChannels")};
    union {
        void* p;
        SPI_GetChannelInfo_t f;
    } info = {Entry(library, "SPI_GetChannelInfo")};
    union {
        void* p;
        SPI_OpenChannel_t f;
    } open = {Entry(library, "SPI_OpenChannel")};
    union {
        void* p;
        SPI_InitChannel_t f;
    } init = {Entry(library, "SPI_InitChannel")};
    union {
        void* p;
        SPI_CloseChannel_t f;
    } close = {Entry(library, "SPI_CloseChannel")};
    union {
        void* p;
        SPI_Read_t f;
    } read = {Entry(library, "SPI_Read")};
    union {
        void* p;
        SPI_Write_t f;
    } write = {Entry(library, "SPI_Write")};
    union {
        void* p;
        FT_WriteGPIO_t f;
    } gpio = {Entry(library, "FT_WriteGPIO")};

    const uint32_t frame = SPI_TRANSFER_OPTIONS_SIZE_IN_BYTES |
                           SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE |
                           SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;
    uint32_t channels = 99;
    CHECK(count.f(&channels) == FT_OK && channels == 1);

    FT_DEVICE_LIST_INFO_NODE node;
    memset(&node, 0, sizeof node);
    CHECK(info.f(0, &node) == FT_OK);
    CHECK(node.Type == FT_DEVICE_232H && node.ftHandle == NULL);
    CHECK(strcmp(node.SerialNumber, "QX5520SIM") == 0);
    CHECK(info.f(1, &node) != FT_OK);

    FT_HANDLE handle = NULL;
    CHECK(open.f(5, &handle) == FT_DEVICE_NOT_FOUND && handle == NULL);
    CHECK(open.f(0, &handle) == FT_OK && handle != NULL);
    ChannelConfig config;
    memset(&config, 0, sizeof config);
    config.ClockRate = 1000;
    config.LatencyTimer = 1;
    config.configOptions = 0x20;
    CHECK(init.f(handle, &config) == FT_OK);
    CHECK(info.f(0, &node) == FT_OK && node.ftHandle == handle);
    CHECK(gpio.f(handle, 0xFF, 0x10) == FT_OK);

    /* The identification register answers 0x08E2 to a read command. */
    uint8_t bytes[2] = {39 * 2 + 1, 0x00};
    uint32_t done = 0;
    CHECK(write.f(handle, bytes, 2, &done, frame) == FT_OK && done == 2);
    CHECK(read.f(handle, bytes, 2, &done, frame) == FT_OK);
    CHECK(bytes[0] == 0x08 && bytes[1] == 0xE2);

    /* Register 33 takes a plain write and reads back its mapped bits only. */
    uint8_t command[2] = {33 * 2, 0x00};
    uint8_t data[2] = {0xA5, 0x5A};
    write.f(handle, command, 2, &done, frame);
    write.f(handle, data, 2, &done, frame);
    uint8_t ask[2] = {33 * 2 + 1, 0x00};
    write.f(handle, ask, 2, &done, frame);
    read.f(handle, bytes, 2, &done, frame);
    CHECK(bytes[0] == 0xA5 && bytes[1] == 0x00);

    /* After close the handle is refused and the buffer left alone. */
    CHECK(close.f(handle) == FT_OK);
    bytes[0] = 0x12;
    bytes[1] = 0x34;
    CHECK(read.f(handle, bytes, 2, &done, frame) == FT_INVALID_HANDLE);
    CHECK(bytes[0] == 0x12 && bytes[1] == 0x34);
    CHECK(close.f(handle) == FT_INVALID_HANDLE);
    CHECK(info.f(0, &node) == FT_OK && node.ftHandle == NULL);

    dlclose(library);
    if (failures) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    printf("virtual chip at %s: all checks passed\n", argv[1]);
    return 0;
}

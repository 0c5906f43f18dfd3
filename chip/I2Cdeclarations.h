// Types, constants and entry-point signatures of FTDI's MPSSE SPI library (libMPSSE), as
// published by FTDI. The tool's binding, the virtual chip and the libftdi1 backend all
// include this one header, so the three agree on every record layout.
#ifndef QX5520_CHIP_I2CDECLARATIONS_H
#define QX5520_CHIP_I2CDECLARATIONS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t FT_STATUS;
typedef void* FT_HANDLE;

enum {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
    FT_DEVICE_LIST_NOT_READY = 19
};

/* FT_DEVICE_LIST_INFO_NODE.Type */
enum {
    FT_DEVICE_BM = 0,
    FT_DEVICE_AM = 1,
    FT_DEVICE_100AX = 2,
    FT_DEVICE_UNKNOWN = 3,
    FT_DEVICE_2232C = 4,
    FT_DEVICE_232R = 5,
    FT_DEVICE_2232H = 6,
    FT_DEVICE_4232H = 7,
    FT_DEVICE_232H = 8
};

/* FT_DEVICE_LIST_INFO_NODE.Flags */
#define FT_FLAGS_OPENED 0x00000001u
#define FT_FLAGS_HISPEED 0x00000002u

typedef struct _ft_device_list_info_node {
    uint32_t Flags;
    uint32_t Type;
    uint32_t ID;
    uint32_t LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
} FT_DEVICE_LIST_INFO_NODE;

typedef struct ChannelConfig_t {
    uint32_t ClockRate;   /* SPI clock in Hz */
    uint8_t LatencyTimer; /* ms */
    uint32_t configOptions;
    uint32_t Pin; /* initial direction and value of the low byte lines */
    uint16_t currentPinState; /* current direction (bits 7-0) and values (15-8) of the lines */
} ChannelConfig;

/* ChannelConfig.configOptions */
#define SPI_CONFIG_OPTION_MODE_MASK 0x00000003u
#define SPI_CONFIG_OPTION_MODE0 0x00000000u
#define SPI_CONFIG_OPTION_MODE1 0x00000001u
#define SPI_CONFIG_OPTION_MODE2 0x00000002u
#define SPI_CONFIG_OPTION_MODE3 0x00000003u
#define SPI_CONFIG_OPTION_CS_MASK 0x0000001Cu
#define SPI_CONFIG_OPTION_CS_DBUS3 0x00000000u
#define SPI_CONFIG_OPTION_CS_DBUS4 0x00000004u
#define SPI_CONFIG_OPTION_CS_DBUS5 0x00000008u
#define SPI_CONFIG_OPTION_CS_DBUS6 0x0000000Cu
#define SPI_CONFIG_OPTION_CS_DBUS7 0x00000010u
#define SPI_CONFIG_OPTION_CS_ACTIVEHIGH 0x00000000u
#define SPI_CONFIG_OPTION_CS_ACTIVELOW 0x00000020u

/* transfer options of SPI_Read / SPI_Write / SPI_ReadWrite */
#define SPI_TRANSFER_OPTIONS_SIZE_IN_BYTES 0x00000000u
#define SPI_TRANSFER_OPTIONS_SIZE_IN_BITS 0x00000001u
#define SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE 0x00000002u
#define SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE 0x00000004u

/* Entry points, in the order the binding looks them up. */
typedef FT_STATUS (*SPI_GetNumChannels_t)(uint32_t* numChannels);
typedef FT_STATUS (*SPI_GetChannelInfo_t)(uint32_t index, FT_DEVICE_LIST_INFO_NODE* chanInfo);
typedef FT_STATUS (*SPI_OpenChannel_t)(uint32_t index, FT_HANDLE* handle);
typedef FT_STATUS (*SPI_InitChannel_t)(FT_HANDLE handle, ChannelConfig* config);
typedef FT_STATUS (*SPI_CloseChannel_t)(FT_HANDLE handle);
typedef FT_STATUS (*SPI_Read_t)(FT_HANDLE handle, uint8_t* buffer, uint32_t sizeToTransfer,
                                uint32_t* sizeTransferred, uint32_t options);
typedef FT_STATUS (*SPI_Write_t)(FT_HANDLE handle, uint8_t* buffer, uint32_t sizeToTransfer,
                                 uint32_t* sizeTransferred, uint32_t options);
typedef FT_STATUS (*SPI_ReadWrite_t)(FT_HANDLE handle, uint8_t* inBuffer, uint8_t* outBuffer,
                                     uint32_t sizeToTransfer, uint32_t* sizeTransferred,
                                     uint32_t options);
typedef FT_STATUS (*SPI_IsBusy_t)(FT_HANDLE handle, int* state);
typedef FT_STATUS (*FT_WriteGPIO_t)(FT_HANDLE handle, uint8_t dir, uint8_t value);
typedef FT_STATUS (*FT_ReadGPIO_t)(FT_HANDLE handle, uint8_t* value);
typedef void (*Init_libMPSSE_t)(void);
typedef void (*Cleanup_libMPSSE_t)(void);

/* Our own optional entry point (not FTDI's), exported by this project's adapter libraries:
   `count` bare read frames of 16 clocks back to back on the channel (chip select asserted
   and released around each), with the transfer options of SPI_Read. words[i] gets frame i's
   word (the first byte received in the high byte), seconds[i] the time of its frame on the
   channel's own clock (seconds since the channel was opened), so that bursts in a row join
   exactly; *read the frames read (fewer after a failure, with its status). A library
   without it is served by single SPI_Read calls. */
typedef FT_STATUS (*QX_ReadAngleBurst_t)(FT_HANDLE handle, uint32_t count, uint16_t* words,
                                         double* seconds, uint32_t* read);
/* The clock periods one frame of a burst takes on the bus: 16 data clocks and 4 for chip
   select's setup, hold and the gap to the next frame. */
#define QX_BURST_FRAME_CLOCKS 20

/* For the libraries that implement the entry points (virtual chip, libftdi1 backend). */
#if defined(_WIN32)
#define QX_MPSSE_EXPORT __declspec(dllexport)
#else
#define QX_MPSSE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
}
#endif

#endif

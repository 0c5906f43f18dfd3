/* An adapter library that lacks one entry point or another (each OMIT_<name> leaves one out),
   with nothing attached: no channels, and no transfer completes. */
#include "chip/I2Cdeclarations.h"

#ifndef OMIT_SPI_GetNumChannels
QX_MPSSE_EXPORT FT_STATUS SPI_GetNumChannels(uint32_t* n) {
    *n = 0;
    return FT_OK;
}
#endif
#ifndef OMIT_SPI_GetChannelInfo
QX_MPSSE_EXPORT FT_STATUS SPI_GetChannelInfo(uint32_t i, FT_DEVICE_LIST_INFO_NODE* n) {
    (void)i;
    (void)n;
    return FT_DEVICE_NOT_FOUND;
}
#endif
#ifndef OMIT_SPI_OpenChannel
QX_MPSSE_EXPORT FT_STATUS SPI_OpenChannel(uint32_t i, FT_HANDLE* h) {
    (void)i;
    *h = 0;
    return FT_DEVICE_NOT_FOUND;
}
#endif
#ifndef OMIT_SPI_InitChannel
QX_MPSSE_EXPORT FT_STATUS SPI_InitChannel(FT_HANDLE h, ChannelConfig* c) {
    (void)h;
    (void)c;
    return FT_INVALID_HANDLE;
}
#endif
#ifndef OMIT_SPI_CloseChannel
QX_MPSSE_EXPORT FT_STATUS SPI_CloseChannel(FT_HANDLE h) {
    (void)h;
    return FT_INVALID_HANDLE;
}
#endif
#ifndef OMIT_SPI_Read
QX_MPSSE_EXPORT FT_STATUS SPI_Read(FT_HANDLE h, uint8_t* b, uint32_t s, uint32_t* t, uint32_t o) {
    (void)h;
    (void)b;
    (void)s;
    (void)o;
    *t = 0;
    return FT_INVALID_HANDLE;
}
#endif
#ifndef OMIT_SPI_Write
QX_MPSSE_EXPORT FT_STATUS SPI_Write(FT_HANDLE h, uint8_t* b, uint32_t s, uint32_t* t, uint32_t o) {
    (void)h;
    (void)b;
    (void)s;
    (void)o;
    *t = 0;
    return FT_INVALID_HANDLE;
}
#endif
#ifndef OMIT_SPI_IsBusy
QX_MPSSE_EXPORT FT_STATUS SPI_IsBusy(FT_HANDLE h, int* s) {
    (void)h;
    *s = 0;
    return FT_INVALID_HANDLE;
}
#endif
#ifndef OMIT_FT_WriteGPIO
QX_MPSSE_EXPORT FT_STATUS FT_WriteGPIO(FT_HANDLE h, uint8_t d, uint8_t v) {
    (void)h;
    (void)d;
    (void)v;
    return FT_INVALID_HANDLE;
}
#endif
#ifndef OMIT_FT_ReadGPIO
QX_MPSSE_EXPORT FT_STATUS FT_ReadGPIO(FT_HANDLE h, uint8_t* v) {
    (void)h;
    *v = 0;
    return FT_INVALID_HANDLE;
}
#endif

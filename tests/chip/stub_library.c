/* A stand-in adapter library for the binding tests. Each entry point is compiled in unless
   its OMIT_<name> is defined, so one source gives libraries missing any entry. */
#include "chip/I2Cdeclarations.h"

#ifndef OMIT_SPI_GetNumChannels
QX_MPSSE_EXPORT FT_STATUS SPI_GetNumChannels(uint32_t* n) { *n = 7; return FT_OK; }
#endif
#ifndef OMIT_SPI_GetChannelInfo
QX_MPSSE_EXPORT FT_STATUS SPI_GetChannelInfo(uint32_t i, FT_DEVICE_LIST_INFO_NODE* n) {
    (void)i; n->ftHandle = 0; return FT_OK; }
#endif
#ifndef OMIT_SPI_OpenChannel
QX_MPSSE_EXPORT FT_STATUS SPI_OpenChannel(uint32_t i, FT_HANDLE* h) { (void)i; *h = 0; return FT_OK; }
#endif
#ifndef OMIT_SPI_InitChannel
QX_MPSSE_EXPORT FT_STATUS SPI_InitChannel(FT_HANDLE h, ChannelConfig* c) { (void)h; (void)c; return FT_OK; }
#endif
#ifndef OMIT_SPI_CloseChannel
QX_MPSSE_EXPORT FT_STATUS SPI_CloseChannel(FT_HANDLE h) { (void)h; return FT_OK; }
#endif
#ifndef OMIT_SPI_Read
QX_MPSSE_EXPORT FT_STATUS SPI_Read(FT_HANDLE h, uint8_t* b, uint32_t s, uint32_t* t, uint32_t o) {
    (void)h; (void)b; (void)s; (void)t; (void)o; return FT_OK; }
#endif
#ifndef OMIT_SPI_Write
QX_MPSSE_EXPORT FT_STATUS SPI_Write(FT_HANDLE h, uint8_t* b, uint32_t s, uint32_t* t, uint32_t o) {
    (void)h; (void)b; (void)s; (void)t; (void)o; return FT_OK; }
#endif
#ifndef OMIT_SPI_IsBusy
QX_MPSSE_EXPORT FT_STATUS SPI_IsBusy(FT_HANDLE h, int* s) { (void)h; (void)s; return FT_OK; }
#endif
#ifndef OMIT_FT_WriteGPIO
QX_MPSSE_EXPORT FT_STATUS FT_WriteGPIO(FT_HANDLE h, uint8_t d, uint8_t v) { (void)h; (void)d; (void)v; return FT_OK; }
#endif
#ifndef OMIT_FT_ReadGPIO
QX_MPSSE_EXPORT FT_STATUS FT_ReadGPIO(FT_HANDLE h, uint8_t* v) { (void)h; (void)v; return FT_OK; }
#endif

/* Preloaded into the no-device check to play a machine where USB cannot be used at all:
 * every libusb context fails to start, as it does without /dev/bus/usb access. */
#include <libusb.h>

int libusb_init(libusb_context** context) {
    if (context != NULL) *context = NULL;
    return LIBUSB_ERROR_OTHER;
}

#include "ftdi/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ftdi {

bool traceEnabled() {
    const char* value = std::getenv("QX_FTDI_TRACE");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void trace(const char* format, ...) {
    if (!traceEnabled()) return;
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("libMPSSE_ftdi: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
}

}  // namespace ftdi

// Diagnostics of the adapter library, printed to stderr only when the environment variable
// QX_FTDI_TRACE is set (to anything but "0"), so that an engineer can see which library the
// tool loaded and why a channel did not open.
#pragma once

namespace ftdi {

/// True when QX_FTDI_TRACE asks for diagnostics.
bool traceEnabled();

/// Prints one line "libMPSSE_ftdi: <message>" to stderr when tracing is on.
[[gnu::format(printf, 1, 2)]] void trace(const char* format, ...);

}  // namespace ftdi

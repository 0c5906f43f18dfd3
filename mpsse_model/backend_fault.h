// A backend gone wrong, on purpose: rewrites the command stream the adapter library sends
// before the engine model sees it, as a misread of the MPSSE command set would write it. The
// tests show with it that the model does not let such a backend pass. QX_FTDI_MODEL_FAULT
// names one for a whole process: "cs+1", "mode1" or "lsb".
#pragma once

#include <memory>

#include "ftdi/transport.h"

namespace mpsse_model {

enum class BackendFault {
    None,
    ChipSelectOffByOne,  // chip select driven on DBUS4 instead of DBUS3
    ModeOne,             // data out on the rising edge, in on the falling one
    LsbFirst,            // every shift LSB first
};

/// The fault QX_FTDI_MODEL_FAULT names; None when it is unset, empty or unknown (one line
/// on stderr).
BackendFault BackendFaultFromEnvironment();

/// The transport with the fault between the library and it; the transport itself for None.
std::unique_ptr<ftdi::Transport> WithBackendFault(std::unique_ptr<ftdi::Transport> transport,
                                                  BackendFault fault);

}  // namespace mpsse_model

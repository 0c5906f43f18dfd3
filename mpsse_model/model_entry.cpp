// The test adapter library's device source: the adapter library's entry points over a
// modelled adapter of the family QX_FTDI_MODEL names (an FT232H when it names none), so the
// tests drive the whole tool through the backend's MPSSE traffic without USB.
#include "ftdi/device_source.h"
#include "ftdi/trace.h"
#include "mpsse_model/model_source.h"

namespace ftdi {

std::unique_ptr<DeviceSource> MakeDeviceSource() {
    const mpsse_model::Family& family =
        *mpsse_model::FamilyFromEnvironment().value_or(mpsse_model::FamilyNamed("ft232h"));
    if (traceEnabled()) trace("QX_FTDI_MODEL: a modelled %s, no USB", family.name.data());
    return std::make_unique<mpsse_model::ModelSource>(family);
}

}  // namespace ftdi

// Modelled adapters in place of USB: the libftdi1 backend's device source when the environment
// variable QX_FTDI_MODEL names an FTDI family (ft232h, ft2232h, ft4232h, ft2232d). One device
// of that family is attached; its first MPSSE channel drives the virtual chip (read from the
// QX5520_SIM scenario, as the virtual adapter library reads it) through the MPSSE engine model
// and the SPI slave model; a second channel has nothing on its pins. The scenario's trace file
// gets the frames the chip saw ("write 4F 00", "read 08 E2") and the engine's clock and
// commands; its state file keeps the registers between processes. No USB is touched.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ftdi/device_source.h"
#include "mpsse_model/backend_fault.h"
#include "mpsse_model/engine.h"
#include "sim/settings.h"

namespace mpsse_model {

class ModelSource : public ftdi::DeviceSource {
  public:
    /// fault: a backend gone wrong in front of the engine (tests), by default the one
    /// QX_FTDI_MODEL_FAULT names.
    explicit ModelSource(const Family& family, BackendFault fault = BackendFaultFromEnvironment());
    ~ModelSource() override;

    std::vector<ftdi::UsbDevice> scan() override;
    std::unique_ptr<ftdi::Transport> open(const ftdi::ChannelEntry& channel,
                                          FT_STATUS& status) override;

    struct Board;

  private:
    const Family& family_;
    BackendFault fault_;
    std::shared_ptr<Board> board_;
};

/// The family QX_FTDI_MODEL names; nothing when it is unset or empty. An unknown name gives
/// nothing and one line on stderr.
std::optional<const Family*> FamilyFromEnvironment();

}  // namespace mpsse_model

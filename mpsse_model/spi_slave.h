// The QX5520 on the model's pins, as an SPI slave in mode 0: it listens while its chip-select
// line (DBUS3, active low, as the board wires it) is low, samples the data out line on the
// clock's rising edges and shifts its answer out MSB first, changing it on the falling
// edges. It feeds the virtual chip's model byte by byte, so a wrong mode, a wrong line or
// LSB-first data gives garbage or no answer, as on a real board.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "mpsse_model/engine.h"
#include "sim/chip_model.h"

namespace mpsse_model {

/// The line the board wires the chip's chip select to: DBUS3.
inline constexpr uint8_t kChipSelect = 0x08;

class SpiSlave : public Pins {
  public:
    /// chip may be null: nothing on the pins (the data in line rests high).
    explicit SpiSlave(sim::ChipModel* chip) : chip_(chip) {}

    void LowChanged(uint8_t levels) override;
    /// The data in line as it stands (a pin read): the bit on the line, 1 before the chip
    /// has been asked for its byte.
    uint8_t LowInputs() override;
    /// The chip is asked for the byte it shifts out when the host first samples it, so a
    /// frame the host only writes asks it nothing (as the virtual chip's own library does).
    bool SampleDataIn() override;

    /// Sees each frame at its end: "write 4F 00" (the bytes clocked in) or, when the host
    /// clocked the answer in, "read 08 E2" (the bytes shifted out).
    using FrameSink = std::function<void(const std::string& frame)>;
    void SetFrameSink(FrameSink sink) { sink_ = std::move(sink); }

  private:
    void EndFrame();

    sim::ChipModel* chip_;
    FrameSink sink_;
    bool selected_ = false;
    bool clock_ = true;
    uint8_t in_ = 0;
    int inBits_ = 0;
    uint8_t out_ = 0xFF;
    int outBit_ = 0;       // falling edges in this byte: the bit of out_ on the line, 0 = MSB
    bool loaded_ = false;  // out_ holds the byte the chip answers for this byte of the frame
    bool sampled_ = false;
    std::vector<uint8_t> sent_, answered_;
};

}  // namespace mpsse_model

#include "mpsse_model/spi_slave.h"

#include <cstdio>

namespace mpsse_model {

void SpiSlave::LowChanged(uint8_t levels) {
    const bool selected = (levels & kChipSelect) == 0;
    const bool clock = (levels & kClock) != 0;
    if (selected && !selected_) {
        selected_ = true;
        in_ = 0;
        inBits_ = 0;
        outBit_ = 0;
        loaded_ = false;
        sampled_ = false;
        sent_.clear();
        answered_.clear();
        if (chip_ != nullptr) chip_->BeginFrame();
    } else if (!selected && selected_) {
        selected_ = false;
        EndFrame();
    } else if (selected_ && clock != clock_) {
        if (clock) {  // rising: the data out line is sampled
            in_ = static_cast<uint8_t>(in_ << 1 | ((levels & kDataOut) ? 1 : 0));
            if (++inBits_ == 8) {
                sent_.push_back(in_);
                if (chip_ != nullptr) chip_->Send(&in_, 1);
                inBits_ = 0;
            }
        } else if (++outBit_ == 8) {  // falling: the next bit goes out
            outBit_ = 0;
            loaded_ = false;
        }
    }
    clock_ = clock;
}

uint8_t SpiSlave::LowInputs() {
    const bool bit = !selected_ || !loaded_ || (out_ >> (7 - outBit_) & 1) != 0;
    return static_cast<uint8_t>(bit ? 0xFF : ~kDataIn);
}

bool SpiSlave::SampleDataIn() {
    if (!selected_ || chip_ == nullptr) return true;
    if (!loaded_) {
        chip_->Receive(&out_, 1);
        answered_.push_back(out_);
        loaded_ = true;
    }
    sampled_ = true;
    return (out_ >> (7 - outBit_) & 1) != 0;
}

void SpiSlave::EndFrame() {
    if (chip_ != nullptr) chip_->EndFrame();
    if (!sink_) return;
    const std::vector<uint8_t>& bytes = sampled_ ? answered_ : sent_;
    if (bytes.empty()) return;
    std::string frame = sampled_ ? "read" : "write";
    for (uint8_t byte : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", byte);
        frame += hex;
    }
    sink_(frame);
}

}  // namespace mpsse_model

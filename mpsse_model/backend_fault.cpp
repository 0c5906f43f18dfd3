#include "mpsse_model/backend_fault.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace mpsse_model {

namespace {

class Faulty : public ftdi::Transport {
  public:
    Faulty(std::unique_ptr<ftdi::Transport> inner, BackendFault fault)
        : inner_(std::move(inner)), fault_(fault) {}

    int write(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout) override {
        std::vector<uint8_t> out(bytes.begin(), bytes.end());
        Rewrite(out);
        return inner_->write(out, timeout);
    }
    int read(std::span<uint8_t> buffer, std::chrono::milliseconds timeout) override {
        return inner_->read(buffer, timeout);
    }
    int reset() override { return inner_->reset(); }
    int purge() override { return inner_->purge(); }
    int setLatencyTimer(uint8_t milliseconds) override {
        return inner_->setLatencyTimer(milliseconds);
    }
    int setBitMode(uint8_t mask, ftdi::BitMode mode) override {
        return inner_->setBitMode(mask, mode);
    }

  private:
    // Walks the commands of one write (the library sends whole commands) and changes the
    // ones the fault concerns; a command cut short ends the walk.
    void Rewrite(std::vector<uint8_t>& out) const {
        for (size_t at = 0; at < out.size();) {
            const uint8_t op = out[at];
            size_t length = 1;
            if (op == 0x80 || op == 0x82 || op == 0x86) {
                length = 3;
                if (op == 0x80 && fault_ == BackendFault::ChipSelectOffByOne &&
                    at + 2 < out.size()) {
                    for (size_t i : {at + 1, at + 2})
                        out[i] = static_cast<uint8_t>((out[i] & ~0x18) | (out[i] & 0x08) << 1);
                }
            } else if ((op & 0x80) == 0 && (op & 0x30) != 0) {
                const bool bits = op & 0x02, writes = op & 0x10;
                if (bits) {
                    length = writes ? 3 : 2;
                } else if (!writes) {
                    length = 3;
                } else if (at + 2 < out.size()) {
                    length = 3 + (size_t{out[at + 1]} | size_t{out[at + 2]} << 8) + 1;
                } else {
                    return;
                }
                if (fault_ == BackendFault::ModeOne)
                    out[at] = static_cast<uint8_t>((op & ~0x01) | 0x04);
                if (fault_ == BackendFault::LsbFirst) out[at] = static_cast<uint8_t>(op | 0x08);
            }
            at += length;
        }
    }

    std::unique_ptr<ftdi::Transport> inner_;
    BackendFault fault_;
};

}  // namespace

BackendFault BackendFaultFromEnvironment() {
    const char* name = std::getenv("QX_FTDI_MODEL_FAULT");
    if (name == nullptr || *name == '\0') return BackendFault::None;
    const std::string_view text(name);
    if (text == "cs+1") return BackendFault::ChipSelectOffByOne;
    if (text == "mode1") return BackendFault::ModeOne;
    if (text == "lsb") return BackendFault::LsbFirst;
    std::fprintf(stderr, "QX_FTDI_MODEL_FAULT: no such fault: %s (cs+1, mode1, lsb)\n", name);
    return BackendFault::None;
}

std::unique_ptr<ftdi::Transport> WithBackendFault(std::unique_ptr<ftdi::Transport> transport,
                                                  BackendFault fault) {
    if (fault == BackendFault::None || transport == nullptr) return transport;
    return std::make_unique<Faulty>(std::move(transport), fault);
}

}  // namespace mpsse_model

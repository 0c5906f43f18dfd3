// Random frames through the virtual chip's model must never break its state machine: no
// crash, unmapped register bits stay 0, the live readouts keep their widths, a chip locked
// in SSI mode answers all ones and keeps its registers, and after any frame sequence the
// plain protocol still works: the identification reads 0x08E2 and a configuration write
// reads back as stored.
#include <cstdint>
#include <vector>

#include "sim/chip_model.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr uint16_t kIdentification = 0x08E2;

class Chip {
  public:
    explicit Chip(double rpm) : chip_(Options(rpm), [this] { return now_; }) {}

    void Frame(uint8_t hi, uint8_t lo) {
        const uint8_t bytes[2] = {hi, lo};
        chip_.BeginFrame();
        chip_.Send(bytes, 2);
        chip_.EndFrame();
        Check();
    }
    uint16_t ReadResponse() {
        uint8_t bytes[2] = {0, 0};
        chip_.BeginFrame();
        chip_.Receive(bytes, 2);
        chip_.EndFrame();
        Check();
        return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
    }
    uint16_t ReadRegFrames(int address) {
        Frame(static_cast<uint8_t>(address * 2 + 1), 0);
        return ReadResponse();
    }
    void WriteConfigRegFrames(int address, uint16_t word) {
        Frame(static_cast<uint8_t>(0x80 + address * 2), 0);
        Frame(0, 0);
        Frame(static_cast<uint8_t>(address * 2), 0);
        Frame(static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word));
        Frame(0xFE, 0);
        Frame(0, 0);
    }

    void WriteRegFrames(int address, uint16_t word) {
        Frame(static_cast<uint8_t>(address * 2), 0);
        Frame(static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word));
    }

    // One step of the fuzz program, taken from the input.
    void Step(const uint8_t*& at, const uint8_t* end) {
        const uint8_t op = *at++;
        const size_t count = op >> 4;  // 0-15 bytes
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < count && at < end; ++i) bytes.push_back(*at++);
        now_ += 0.001 * (op & 0x03);
        const sim::ChipModel::RegisterFile before = chip_.Registers();
        const bool lockedBefore = chip_.SpiLocked();
        switch ((op >> 2) & 0x03) {
            case 0:  // a whole frame sent
                chip_.BeginFrame();
                chip_.Send(bytes.data(), bytes.size());
                chip_.EndFrame();
                break;
            case 1: {  // a whole frame received
                std::vector<uint8_t> in(count, 0x5A);
                chip_.BeginFrame();
                chip_.Receive(in.data(), in.size());
                chip_.EndFrame();
                if (lockedBefore) {
                    for (uint8_t b : in) QX_FUZZ_CHECK(b == 0xFF);
                }
                break;
            }
            case 2: {  // both directions in one frame, in pieces
                std::vector<uint8_t> in(count, 0xA5);
                chip_.BeginFrame();
                const size_t half = bytes.size() / 2;
                chip_.Send(bytes.data(), half);
                chip_.Receive(in.data(), in.size());
                chip_.Send(bytes.data() + half, bytes.size() - half);
                chip_.EndFrame();
                break;
            }
            default:  // a frame left open, then a new one begun
                chip_.BeginFrame();
                chip_.Send(bytes.data(), bytes.size());
                break;
        }
        if (lockedBefore) QX_FUZZ_CHECK(chip_.Registers() == before);
        Check();
    }

    // Ends whatever the random frames left pending: the first commit frame is taken as a
    // pending data word or commits, the second commits whatever the first left armed.
    void Resynchronise() {
        Frame(0xFE, 0);
        Frame(0xFE, 0);
    }

    bool Locked() const { return chip_.SpiLocked(); }

  private:
    static sim::ChipOptions Options(double rpm) {
        sim::ChipOptions options;
        options.rpm = rpm;
        options.noise = 2.0;
        return options;
    }

    void Check() {
        const sim::ChipModel::RegisterFile stored = chip_.Registers();
        for (int a = 0; a < int(stored.size()); ++a) {
            QX_FUZZ_CHECK((stored[a] & ~sim::StoredBits(a)) == 0);
        }
        QX_FUZZ_CHECK(chip_.ReadRegister(39) == kIdentification);
        QX_FUZZ_CHECK((chip_.ReadRegister(32) & 0xFF80) == 0);
        QX_FUZZ_CHECK((chip_.ReadRegister(34) & 0xE000) == 0);
        QX_FUZZ_CHECK((chip_.ReadRegister(35) & 0xE000) == 0);
        QX_FUZZ_CHECK((chip_.ReadRegister(36) & 0x2000) == 0);
        QX_FUZZ_CHECK(chip_.ReadRegister(37) <= 0x1FFF);
        QX_FUZZ_CHECK(chip_.ReadRegister(38) <= 0x1FFF);
    }

    double now_ = 0;
    sim::ChipModel chip_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > 2048) return 0;
    const uint8_t* at = data;
    const uint8_t* end = data + size;
    // The last three bytes choose the final write: register and word.
    end -= 3;
    const int address = end[0] % 32;
    const uint16_t word = static_cast<uint16_t>(end[1] << 8 | end[2]);

    Chip chip(static_cast<double>(static_cast<int8_t>(*at++)));
    while (at < end) chip.Step(at, end);

    chip.Resynchronise();
    if (chip.Locked()) {
        QX_FUZZ_CHECK(chip.ReadRegFrames(39) == 0xFFFF);
        return 0;
    }
    QX_FUZZ_CHECK(chip.ReadRegFrames(39) == kIdentification);
    chip.WriteConfigRegFrames(address, word);
    if (chip.Locked()) {  // the word itself set SSI mode in register 16
        QX_FUZZ_CHECK(address == 16 && (word & 0x0800) != 0);
        QX_FUZZ_CHECK(chip.ReadRegFrames(address) == 0xFFFF);
        return 0;
    }
    QX_FUZZ_CHECK(chip.ReadRegFrames(address) == (word & sim::StoredBits(address)));
    chip.WriteRegFrames(33, word);
    QX_FUZZ_CHECK(chip.ReadRegFrames(33) == (word & 0xFF00));
    return 0;
}

#include "mpsse_model/engine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace mpsse_model {

namespace {

constexpr std::array<Family, 4> kFamilies{{
    {"ft232h", 0x6014, 0x0900, 1, 60'000'000, 1024, true},
    {"ft2232h", 0x6010, 0x0700, 2, 60'000'000, 4096, true},
    {"ft4232h", 0x6011, 0x0800, 2, 60'000'000, 2048, true},
    {"ft2232d", 0x6010, 0x0500, 1, 12'000'000, 384, false},
}};

constexpr uint8_t kBadCommandReply = 0xFA;

// The data-shifting opcodes: bit 7 clear, bit 4 (write) or 5 (read) set. Bit 0: data out
// changes on the falling edge; bit 1: a length in bits; bit 2: data in is sampled on the
// falling edge; bit 3: LSB first.
bool IsShift(uint8_t opcode) {
    return (opcode & 0xC0) == 0 && (opcode & 0x30) != 0;
}

// The TMS (JTAG) commands: a length in bits and one data byte. Not driven here.
bool IsTms(uint8_t opcode) {
    switch (opcode) {
        case 0x4A:
        case 0x4B:
        case 0x6A:
        case 0x6B:
        case 0x6E:
        case 0x6F:
            return true;
        default:
            return false;
    }
}

std::string Hex(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

}  // namespace

std::span<const Family> Families() {
    return kFamilies;
}

const Family* FamilyNamed(std::string_view name) {
    for (const Family& family : kFamilies) {
        if (family.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), family.name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            }))
            return &family;
    }
    return nullptr;
}

Engine::Engine(const Family& family, Pins& pins) : family_(family), pins_(pins) {
    Reset();
}

void Engine::Reset() {
    partial_.clear();
    answers_.clear();
    lowValue_ = lowDirection_ = highValue_ = highDirection_ = 0;
    divisor_ = 0;
    // The H series powers up dividing by 5: 12 MHz, the FT2232D's own base clock.
    divideBy5_ = family_.hSeries;
    adaptive_ = threePhase_ = loopback_ = false;
    stalled_ = false;
    pins_.LowChanged(LowLevels());
}

uint32_t Engine::ClockHz() const {
    const uint32_t base = divideBy5_ ? family_.baseHz / 5 : family_.baseHz;
    const uint32_t rate = base / ((1u + divisor_) * 2u);
    // Three-phase clocking stretches each bit to three half periods.
    return threePhase_ ? rate * 2 / 3 : rate;
}

std::vector<std::string> Engine::TakeTrace() {
    return std::exchange(trace_, {});
}

void Engine::Trace(std::string line) {
    trace_.push_back(std::move(line));
}

uint8_t Engine::LowLevels() const {
    // Lines set as inputs rest high (pulled up).
    return static_cast<uint8_t>((lowValue_ & lowDirection_) | ~lowDirection_);
}

size_t Engine::LengthOf(std::span<const uint8_t> command) const {
    const uint8_t opcode = command[0];
    if (IsTms(opcode)) return 3;
    if (IsShift(opcode)) {
        const bool bits = opcode & 0x02;
        const bool writes = opcode & 0x10;
        if (bits) return writes ? 3 : 2;
        if (!writes) return 3;
        if (command.size() < 3) return 3;
        return 3 + (static_cast<size_t>(command[1]) | static_cast<size_t>(command[2]) << 8) + 1;
    }
    switch (opcode) {
        case 0x80:
        case 0x82:
        case 0x86:
            return 3;
        case 0x81:
        case 0x83:
        case 0x84:
        case 0x85:
        case 0x87:
        case 0x88:
        case 0x89:
            return 1;
        case 0x8A:
        case 0x8B:
        case 0x8C:
        case 0x8D:
        case 0x96:
        case 0x97:
            return family_.hSeries ? 1 : 0;
        case 0x8E:
            return family_.hSeries ? 2 : 0;
        case 0x8F:
        case 0x9C:
        case 0x9D:
            return family_.hSeries ? 3 : 0;
        case 0x94:
        case 0x95:
            return family_.hSeries ? 1 : 0;
        case 0x9E:  // drive only zero: the FT232H alone
            return family_.name == "ft232h" ? 3 : 0;
        default:
            return 0;
    }
}

void Engine::Write(std::span<const uint8_t> bytes) {
    partial_.insert(partial_.end(), bytes.begin(), bytes.end());
    size_t at = 0;
    while (at < partial_.size() && !stalled_) {
        const std::span<const uint8_t> rest(partial_.data() + at, partial_.size() - at);
        const size_t length = LengthOf(rest);
        if (length == 0) {
            // The engine answers a command it does not know with 0xFA and the command.
            answers_.push_back(kBadCommandReply);
            answers_.push_back(rest[0]);
            Trace("bad command " + Hex(rest[0]));
            ++at;
            continue;
        }
        if (rest.size() < length) break;
        Execute(rest.first(length));
        at += length;
    }
    partial_.erase(partial_.begin(), partial_.begin() + static_cast<std::ptrdiff_t>(at));
}

size_t Engine::Read(std::span<uint8_t> buffer) {
    const size_t count = std::min(buffer.size(), answers_.size());
    std::copy_n(answers_.begin(), count, buffer.begin());
    answers_.erase(answers_.begin(), answers_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

void Engine::SetLow(uint8_t value, uint8_t direction) {
    const uint8_t before = LowLevels();
    lowValue_ = value;
    lowDirection_ = direction;
    if (LowLevels() != before) pins_.LowChanged(LowLevels());
}

void Engine::Execute(std::span<const uint8_t> command) {
    const uint8_t opcode = command[0];
    if (IsTms(opcode)) {
        Trace("tms " + Hex(opcode) + " not modelled");
        if (opcode & 0x20) answers_.push_back(0xFF);
        return;
    }
    if (IsShift(opcode)) {
        const bool bits = opcode & 0x02;
        const bool writes = opcode & 0x10;
        // A length in bits counts 1 to 8 (its three low bits).
        const size_t length = bits ? size_t{command[1] & 0x07u} + 1
                                   : (size_t{command[1]} | size_t{command[2]} << 8) + 1;
        const std::span<const uint8_t> data =
            writes ? command.subspan(bits ? 2 : 3) : std::span<const uint8_t>{};
        Shift(opcode, data, bits ? length : length * 8);
        return;
    }
    switch (opcode) {
        case 0x80:
            SetLow(command[1], command[2]);
            Trace("set low " + Hex(command[1]) + " " + Hex(command[2]));
            break;
        case 0x82:
            highValue_ = command[1];
            highDirection_ = command[2];
            Trace("set high " + Hex(command[1]) + " " + Hex(command[2]));
            break;
        case 0x81:
            answers_.push_back(static_cast<uint8_t>((lowValue_ & lowDirection_) |
                                                    (pins_.LowInputs() & ~lowDirection_)));
            break;
        case 0x83:
            // Nothing is wired to the high byte: its inputs rest high.
            answers_.push_back(
                static_cast<uint8_t>((highValue_ & highDirection_) | ~highDirection_));
            break;
        case 0x84:
        case 0x85:
            loopback_ = opcode == 0x84;
            Trace(loopback_ ? "loopback on" : "loopback off");
            break;
        case 0x86:
            divisor_ = static_cast<uint16_t>(command[1] | command[2] << 8);
            Trace("clock " + std::to_string(ClockHz()) + " Hz");
            break;
        case 0x8A:
        case 0x8B:
            divideBy5_ = opcode == 0x8B;
            Trace("clock " + std::to_string(ClockHz()) + " Hz");
            break;
        case 0x8C:
        case 0x8D:
            threePhase_ = opcode == 0x8C;
            Trace(threePhase_ ? "three-phase on" : "three-phase off");
            break;
        case 0x96:
        case 0x97:
            adaptive_ = opcode == 0x96;
            Trace(adaptive_ ? "adaptive on" : "adaptive off");
            break;
        case 0x8E:
            Pulse(size_t{command[1] & 0x07u} + 1);
            break;
        case 0x8F:
            Pulse(((size_t{command[1]} | size_t{command[2]} << 8) + 1) * 8);
            break;
        case 0x89:
            // Wait for GPIOL1 low: nothing drives it, it rests high, so for ever.
            stalled_ = true;
            Trace("stalled: waiting for GPIOL1 low");
            break;
        case 0x94:
        case 0x95:
        case 0x9C:
        case 0x9D:
        case 0x9E:
            Trace(Hex(opcode) + " not modelled");
            break;
        default:  // 0x87 send immediate; 0x88 wait for GPIOL1 high, which it is
            break;
    }
}

void Engine::Pulse(size_t bits) {
    if (adaptive_) {
        stalled_ = true;
        Trace("stalled: adaptive clocking waits for RTCK");
        return;
    }
    Trace("clock " + std::to_string(bits) + " pulses without data");
    const bool idle = lowValue_ & kClock;
    for (size_t i = 0; i < bits; ++i) {
        SetLow(static_cast<uint8_t>(idle ? lowValue_ & ~kClock : lowValue_ | kClock),
               lowDirection_);
        SetLow(static_cast<uint8_t>(idle ? lowValue_ | kClock : lowValue_ & ~kClock),
               lowDirection_);
    }
}

void Engine::Shift(uint8_t opcode, std::span<const uint8_t> data, size_t bits) {
    if (adaptive_) {
        // Adaptive clocking waits for RTCK (GPIOL3) to follow each clock edge; nothing on
        // this board returns it, so the engine waits for ever, as a real one would.
        stalled_ = true;
        Trace("stalled: adaptive clocking waits for RTCK");
        return;
    }
    const bool outOnFalling = opcode & 0x01;
    const bool inOnFalling = opcode & 0x04;
    const bool lsbFirst = opcode & 0x08;
    const bool writes = opcode & 0x10;
    const bool reads = opcode & 0x20;
    Trace("shift " + Hex(opcode) + " " + std::to_string(bits) + " bits at " +
          std::to_string(ClockHz()) + " Hz");
    const bool idle = lowValue_ & kClock;
    // The leading edge leaves the idle level: it falls when the clock rests high.
    const bool outOnLeading = outOnFalling == idle;
    const bool inOnLeading = inOnFalling == idle;
    auto outBit = [&](size_t i) {
        const uint8_t byte = data[i / 8];
        const size_t position = i % 8;
        return lsbFirst ? (byte >> position & 1) != 0 : (byte >> (7 - position) & 1) != 0;
    };
    auto setLine = [this](uint8_t line, bool high) {
        SetLow(static_cast<uint8_t>(high ? lowValue_ | line : lowValue_ & ~line), lowDirection_);
    };
    uint8_t shiftIn = 0;
    size_t inCount = 0;
    auto sample = [&] {
        const bool bit = loopback_                        ? (lowValue_ & kDataOut) != 0
                         : (lowDirection_ & kDataIn) != 0 ? (lowValue_ & kDataIn) != 0
                                                          : pins_.SampleDataIn();
        shiftIn = lsbFirst ? static_cast<uint8_t>(shiftIn >> 1 | (bit ? 0x80 : 0))
                           : static_cast<uint8_t>(shiftIn << 1 | (bit ? 1 : 0));
        if (++inCount % 8 == 0) {
            answers_.push_back(shiftIn);
            shiftIn = 0;
        }
    };
    // Data that changes on the trailing edge is set up before the first leading one.
    if (writes && !outOnLeading) setLine(kDataOut, outBit(0));
    for (size_t i = 0; i < bits; ++i) {
        // The sample takes the level before the edge; a device on the pins reacts to the edge
        // and sees the data line as it was; the engine's data changes after it.
        if (reads && inOnLeading) sample();
        setLine(kClock, !idle);
        if (writes && outOnLeading) setLine(kDataOut, outBit(i));
        if (reads && !inOnLeading) sample();
        setLine(kClock, idle);
        if (writes && !outOnLeading && i + 1 < bits) setLine(kDataOut, outBit(i + 1));
    }
    // A length in bits answers one byte: MSB first the bits end in the low bits, LSB first
    // in the high ones.
    if (reads && inCount % 8 != 0) answers_.push_back(shiftIn);
}

}  // namespace mpsse_model

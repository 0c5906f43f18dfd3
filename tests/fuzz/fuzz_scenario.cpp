// The virtual chip's scenario reader over arbitrary text: it never throws, every complaint is
// one line that names the virtual chip, the file and ignores the key, numbers read as an
// independent model says, and a chip built from whatever it yields answers its
// identification register as the scenario chose.
#include <cstdint>
#include <regex>
#include <string>

#include "sim/chip_model.h"
#include "sim/scenario.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Blanks around, then decimal digits or 0x/0X and hexadecimal digits, fitting 64 bits.
std::optional<uint64_t> UnsignedModel(const std::string& text) {
    static const std::regex syntax("^[ \t\r\n]*(?:0[xX]0*([0-9A-Fa-f]+)|0*([0-9]+))[ \t\r\n]*$");
    std::smatch match;
    if (!std::regex_match(text, match, syntax)) return std::nullopt;
    if (match[1].matched) {
        if (match[1].length() > 16) return std::nullopt;
        return std::stoull(match[1].str(), nullptr, 16);
    }
    const std::string digits = match[2].str();
    const std::string limit = "18446744073709551615";
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit)) {
        return std::nullopt;
    }
    return std::stoull(digits);
}

void Frame(sim::ChipModel& chip, uint8_t hi, uint8_t lo) {
    const uint8_t bytes[2] = {hi, lo};
    chip.BeginFrame();
    chip.Send(bytes, 2);
    chip.EndFrame();
}

uint16_t ReadFrames(sim::ChipModel& chip, int address) {
    Frame(chip, static_cast<uint8_t>(address * 2 + 1), 0);
    uint8_t bytes[2] = {0, 0};
    chip.BeginFrame();
    chip.Receive(bytes, 2);
    chip.EndFrame();
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);

    if (size <= 48 && text.find('\0') == std::string::npos) {
        uint64_t value = 0;
        const std::optional<uint64_t> expected = UnsignedModel(text);
        QX_FUZZ_CHECK(sim::ParseUnsigned(text, value) == expected.has_value());
        if (expected) QX_FUZZ_CHECK(value == *expected);
    }

    const sim::ScenarioResult result = sim::ParseScenario(text, "fuzz.ini");
    for (const std::string& line : result.errors) {
        QX_FUZZ_CHECK(line.rfind("QX5520 virtual chip: fuzz.ini: ", 0) == 0);
    }
    const sim::Settings& s = result.settings;
    QX_FUZZ_CHECK(s.channels <= 16);
    QX_FUZZ_CHECK(s.chip.noise >= 0 && s.chip.noise <= 4096);
    QX_FUZZ_CHECK(s.chip.rpm >= -100000 && s.chip.rpm <= 100000);

    double now = 0;
    sim::ChipModel chip(s.chip, [&now] { return now; });
    const uint16_t id = static_cast<uint16_t>(
        (s.chip.fixed[39].value_or(s.chip.id) | s.chip.stuckHigh[39]) & ~s.chip.stuckLow[39]);
    uint16_t expected = id;
    if (s.chip.presence == sim::ChipPresence::Absent || chip.SpiLocked()) expected = 0xFFFF;
    if (s.chip.presence == sim::ChipPresence::Silent) expected = 0x0000;
    QX_FUZZ_CHECK(ReadFrames(chip, 39) == expected);
    for (int address = 0; address < 40; ++address) {
        now += 0.37;
        (void)ReadFrames(chip, address);
    }
    return 0;
}

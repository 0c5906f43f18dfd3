// The chip's 40 registers in one table: what each is called, whether the tool may set it and
// which frames write it. The configuration fields inside registers 0-31 and 33 are the field
// table's (app/config/field_map.h); the readouts of 32-39 are described here.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace chip {

/// The frames that write a register.
enum class WriteFrames {
    Configuration,  // the six-frame configuration write (registers 0-31)
    Plain,          // the two-frame write (32-39)
};

struct RegisterInfo {
    uint8_t address;
    std::string_view name;
    bool settable;             // holds fields the user sets (the others are readouts)
    WriteFrames frames;        // how a write reaches it
    std::string_view content;  // what a readout register holds; empty for configuration
};

namespace detail {
constexpr std::array<RegisterInfo, 40> MakeRegisterTable() {
    std::array<RegisterInfo, 40> table{};
    constexpr std::string_view kConfigurationNames[32] = {
        "CFG0",  "CFG1",  "CFG2",  "CFG3",  "CFG4",  "CFG5",  "CFG6",  "CFG7",
        "CFG8",  "CFG9",  "CFG10", "CFG11", "CFG12", "CFG13", "CFG14", "CFG15",
        "CFG16", "CFG17", "CFG18", "CFG19", "CFG20", "CFG21", "CFG22", "CFG23",
        "CFG24", "CFG25", "CFG26", "CFG27", "CFG28", "CFG29", "CFG30", "CFG31"};
    for (uint8_t address = 0; address < 32; ++address) {
        table[address] = {
            address, kConfigurationNames[address], true, WriteFrames::Configuration, {}};
    }
    table[32] = {32, "STATUS", false, WriteFrames::Plain,
                 "status flags: 6 EML, 5 OFC_READY, 4 CONV_READY, 3 ELOAD_READY, 2 LOW_SPEED, "
                 "1 OTR_Y, 0 OTR_X"};
    table[33] = {33, "TEST", true, WriteFrames::Plain, {}};
    table[34] = {34, "OUT_Y", false, WriteFrames::Plain,
                 "cosine channel (Y), 13-bit two's complement"};
    table[35] = {35, "OUT_X", false, WriteFrames::Plain,
                 "sine channel (X), 13-bit two's complement"};
    table[36] = {36, "ZOUT", false, WriteFrames::Plain,
                 "CORDIC output (bits 12-0), quadrant (bits 15-14)"};
    table[37] = {37, "ANGLE_OUT", false, WriteFrames::Plain, "angle output, 0-8191"};
    table[38] = {38, "AMPLITUDE", false, WriteFrames::Plain, "amplitude"};
    table[39] = {39, "ID", false, WriteFrames::Plain, "identification code, 0x08E2"};
    return table;
}
}  // namespace detail

/// Registers 0-39 by address.
inline constexpr std::array<RegisterInfo, 40> kRegisters = detail::MakeRegisterTable();

/// Whether address names a register.
constexpr bool IsRegister(unsigned address) {
    return address < kRegisters.size();
}

}  // namespace chip

#include "sim/state_file.h"

#include <SimpleIni.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "base/file_rewrite.h"
#include "chip/utf8_path.h"
#include "sim/scenario.h"

namespace sim {

namespace {

constexpr const char* kSection = "state";
std::string Key(size_t address) {
    return "reg." + std::to_string(address);
}

// The registers a state file's text holds; nothing, with one line in `error`, when the text
// is not a state file (an empty text, no file, gives no error).
std::optional<ChipModel::RegisterFile> ParseState(std::string_view content, const std::string& path,
                                                  std::string& error) {
    if (content.empty()) return std::nullopt;
    CSimpleIniA ini;
    ini.SetUnicode(false);
    ChipModel::RegisterFile registers{};
    if (ini.LoadData(content.data(), content.size()) < 0 || !ini.GetSection(kSection)) {
        error = "QX5520 virtual chip: state file " + path +
                " has no [state] section; power-up values used";
        return std::nullopt;
    }
    for (size_t a = 0; a < registers.size(); ++a) {
        const char* value = ini.GetValue(kSection, Key(a).c_str(), "0");
        uint64_t word = 0;
        if (!ParseUnsigned(value, word) || word > 0xFFFF) {
            error = "QX5520 virtual chip: state file " + path + ": " + Key(a) + " = " + value +
                    " is not a register word; power-up values used";
            return std::nullopt;
        }
        registers[a] = uint16_t(word);
    }
    return registers;
}

std::string StateText(const ChipModel::RegisterFile& registers) {
    std::ostringstream text;
    text << "; register file of the QX5520 virtual chip; delete this file to power the chip up\n"
         << "[" << kSection << "]\n";
    for (size_t a = 0; a < registers.size(); ++a) {
        char word[8];
        std::snprintf(word, sizeof word, "0x%04X", registers[a]);
        text << Key(a) << " = " << word << "\n";
    }
    return text.str();
}

}  // namespace

std::optional<ChipModel::RegisterFile> ReadState(const std::string& path, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(chip::PathFromUtf8(path), ec)) return std::nullopt;
    std::ifstream in(chip::PathFromUtf8(path), std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in) {
        error = "QX5520 virtual chip: cannot read state file " + path + "; power-up values used";
        return std::nullopt;
    }
    // An empty file is one whose first write is still under way: a chip at power-up.
    return ParseState(text.str(), path, error);
}

std::optional<ChipModel::RegisterFile> UpdateState(const std::string& path,
                                                   const ChipModel::RegisterFile& registers,
                                                   const RegisterMarks& changed,
                                                   std::string& error) {
    ChipModel::RegisterFile merged = registers;
    const bool written = base::RewriteFile(chip::PathFromUtf8(path), [&](std::string_view current) {
        std::string ignored;  // a damaged file is replaced by this chip's registers
        merged = ParseState(current, path, ignored).value_or(registers);
        for (size_t a = 0; a < merged.size(); ++a) {
            if (changed[a]) merged[a] = registers[a];
        }
        return StateText(merged);
    });
    if (written) return merged;
    error = "QX5520 virtual chip: cannot write state file " + path + ": " + std::strerror(errno);
    return std::nullopt;
}

void KeptState::Open(const std::string& path, ChipModel& chip, const Complaint& complain) {
    if (path.empty()) return;
    std::string error;
    if (auto registers = ReadState(path, error)) {
        chip.LoadRegisters(*registers);
    } else {
        chip.PowerUp();  // no file (or a damaged one): a freshly reset chip
        if (!error.empty()) complain(error);
    }
    kept_ = chip.Registers();
    savedWrites_ = chip.AcceptedWrites();
}

void KeptState::Save(const std::string& path, const ChipModel& chip, const Complaint& complain) {
    if (path.empty() || chip.AcceptedWrites() == savedWrites_) return;
    const ChipModel::RegisterFile registers = chip.Registers();
    RegisterMarks changed{};
    for (size_t a = 0; a < registers.size(); ++a) changed[a] = registers[a] != kept_[a];
    std::string error;
    if (auto merged = UpdateState(path, registers, changed, error)) {
        kept_ = *merged;
        savedWrites_ = chip.AcceptedWrites();
    } else {
        complain(error);
    }
}

}  // namespace sim

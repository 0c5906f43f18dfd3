#include "sim/scenario.h"

#include <SimpleIni.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "chip/utf8_path.h"

namespace sim {

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool ParseReal(std::string_view text, double& value) {
    text = Trim(text);
    uint64_t whole = 0;
    if (ParseUnsigned(text, whole)) {
        value = double(whole);
        return true;
    }
    if (text.empty() || text.front() == '+') return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool Lower(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    }
    return true;
}

// "reg.34" -> 34 when the key has this prefix and a register number 0-39 after it.
enum class Indexed { NoMatch, Good, BadIndex };
Indexed RegisterKey(std::string_view key, std::string_view prefix, int& index) {
    if (key.size() <= prefix.size() || !Lower(key.substr(0, prefix.size()), prefix)) {
        return Indexed::NoMatch;
    }
    uint64_t n = 0;
    const std::string_view digits = key.substr(prefix.size());
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || n >= kRegisterCount) {
        return Indexed::BadIndex;
    }
    index = int(n);
    return Indexed::Good;
}

// "6   ; slow" -> "6": a ';' or '#' after a blank starts a comment.
std::string WithoutComment(std::string_view value) {
    for (size_t i = 1; i < value.size(); ++i) {
        if ((value[i] == ';' || value[i] == '#') && (value[i - 1] == ' ' || value[i - 1] == '\t')) {
            return std::string(Trim(value.substr(0, i)));
        }
    }
    return std::string(value);
}

// A relative file name in a scenario means a file beside the scenario.
void BesideScenario(std::string& name, const std::filesystem::path& scenario) {
    if (name.empty()) return;
    const std::filesystem::path file = chip::PathFromUtf8(name);
    if (file.is_relative()) name = chip::Utf8FromPath(scenario.parent_path() / file);
}

}  // namespace

bool ParseUnsigned(std::string_view text, uint64_t& value) {
    text = Trim(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size();
}

ScenarioResult ParseScenario(std::string_view text, std::string_view fileName) {
    ScenarioResult result;
    Settings& s = result.settings;

    CSimpleIniA ini;
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    if (ini.LoadData(text.data(), text.size()) < 0) {
        result.errors.push_back("QX5520 virtual chip: " + std::string(fileName) +
                                ": not a readable INI text; defaults used");
        return result;
    }

    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys("sim", keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    for (const auto& entry : keys) {
        const std::string key = entry.pItem;
        const char* raw = ini.GetValue("sim", entry.pItem, "");
        const std::string value = WithoutComment(raw ? raw : "");
        auto complain = [&](const std::string& why) {
            result.errors.push_back("QX5520 virtual chip: " + std::string(fileName) + ": [sim] " +
                                    key + " = " + value + ": " + why + "; ignored");
        };
        auto number = [&](uint64_t max, uint64_t& out) {
            if (!ParseUnsigned(value, out)) {
                complain("not a number (decimal or 0x hexadecimal)");
                return false;
            }
            if (out > max) {
                complain("out of range 0.." + std::to_string(max));
                return false;
            }
            return true;
        };
        uint64_t n = 0;
        int index = 0;
        Indexed indexed = Indexed::NoMatch;

        if (Lower(key, "channels")) {
            if (number(16, n)) s.channels = uint32_t(n);
        } else if (Lower(key, "chip")) {
            const std::string_view v = Trim(value);
            if (Lower(v, "present")) {
                s.chip.presence = ChipPresence::Present;
            } else if (Lower(v, "absent")) {
                s.chip.presence = ChipPresence::Absent;
            } else if (Lower(v, "silent")) {
                s.chip.presence = ChipPresence::Silent;
            } else {
                complain("expected present, absent or silent");
            }
        } else if (Lower(key, "id")) {
            if (number(0xFFFF, n)) s.chip.id = uint16_t(n);
        } else if (Lower(key, "angle_word")) {
            if (number(0xFFFF, n)) s.chip.angleWord = uint16_t(n);
        } else if (Lower(key, "rpm")) {
            double r = 0;
            if (!ParseReal(value, r) || r < -100000 || r > 100000) {
                complain("expected a speed in rpm, -100000..100000");
            } else {
                s.chip.rpm = r;
            }
        } else if (Lower(key, "noise")) {
            double r = 0;
            if (!ParseReal(value, r) || r < 0 || r > 4096) {
                complain("expected a noise level in codes, 0..4096");
            } else {
                s.chip.noise = r;
            }
        } else if (Lower(key, "conversion_hz")) {
            double r = 0;
            if (!ParseReal(value, r) || r < 0 || r > 1e8) {
                complain("expected conversions per second, 0..100000000 (0: every frame)");
            } else {
                s.chip.conversionHz = r;
            }
        } else if (Lower(key, "offset_gain")) {
            double r = 0;
            if (!ParseReal(value, r) || r < -64 || r > 64) {
                complain("expected codes per offset step, -64..64");
            } else {
                s.chip.offsetGain = r;
            }
        } else if (Lower(key, "eccentricity") || Lower(key, "harmonic2") ||
                   Lower(key, "speed_ripple") || Lower(key, "phase")) {
            double r = 0;
            if (!ParseReal(value, r) || r < -45 || r > 45) {
                complain("expected degrees, -45..45");
            } else {
                (Lower(key, "eccentricity") ? s.chip.eccentricity
                 : Lower(key, "harmonic2")  ? s.chip.harmonic2
                 : Lower(key, "phase")      ? s.chip.phase
                                            : s.chip.speedRipple) = r;
            }
        } else if (Lower(key, "hold")) {
            if (number(1, n)) s.chip.hold = n != 0;
        } else if (Lower(key, "truth")) {
            if (Trim(value).empty()) {
                complain("expected a file name");
            } else {
                s.truthFile = std::string(Trim(value));
            }
        } else if (Lower(key, "state")) {
            if (Trim(value).empty()) {
                complain("expected a file name");
            } else {
                s.stateFile = std::string(Trim(value));
            }
        } else if (Lower(key, "trace")) {
            if (Trim(value).empty()) {
                complain("expected a file name");
            } else {
                s.traceFile = std::string(Trim(value));
            }
        } else if (Lower(key, "seed")) {
            if (number(UINT32_MAX, n)) s.seed = uint32_t(n);
        } else if (Lower(key, "vanish_after")) {
            if (number(UINT64_MAX, n)) s.vanishAfter = n;
        } else if ((indexed = RegisterKey(key, "reg.", index)) == Indexed::Good) {
            if (number(0xFFFF, n)) s.chip.fixed[index] = uint16_t(n);
        } else if ((indexed == Indexed::NoMatch) &&
                   (indexed = RegisterKey(key, "stuck_high.", index)) == Indexed::Good) {
            if (number(0xFFFF, n)) s.chip.stuckHigh[index] = uint16_t(n);
        } else if ((indexed == Indexed::NoMatch) &&
                   (indexed = RegisterKey(key, "stuck_low.", index)) == Indexed::Good) {
            if (number(0xFFFF, n)) s.chip.stuckLow[index] = uint16_t(n);
        } else if (indexed == Indexed::BadIndex) {
            complain("register number must be 0..39");
        } else {
            complain("unknown key");
        }
    }
    return result;
}

ScenarioResult LoadScenario(const std::string& path) {
    const std::filesystem::path file = chip::PathFromUtf8(path);
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    // A folder opens as a stream but yields nothing: it is no scenario either.
    std::error_code ignored;
    const bool folder = std::filesystem::is_directory(file, ignored);
    if (in && !folder) text << in.rdbuf();
    if (!in || in.bad() || folder) {
        ScenarioResult result;
        result.errors.push_back("QX5520 virtual chip: cannot read scenario file " + path +
                                "; defaults used");
        return result;
    }
    ScenarioResult result = ParseScenario(text.str(), path);
    BesideScenario(result.settings.stateFile, file);
    BesideScenario(result.settings.traceFile, file);
    BesideScenario(result.settings.truthFile, file);
    return result;
}

}  // namespace sim

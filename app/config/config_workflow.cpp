#include "app/config/config_workflow.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "app/config/chip_id.h"
#include "app/config/integer_text.h"
#include "app/files/ini_text.h"
#include "app/readings/transfer_check.h"
#include "base/file_rewrite.h"
#include "chip/utf8_path.h"

namespace app {
namespace {

// What a settable field's control shows: its value when it is one the field can hold, and
// the same as text (a typed text as it stands).
struct Shown {
    std::optional<int32_t> value;
    std::string text;
};

Shown ShownValue(const ConfigField& field, FieldControl& control) {
    switch (field.kind) {
        case FieldKind::CheckBox:
            return {control.Checked() ? 1 : 0, control.Checked() ? "1" : "0"};
        case FieldKind::ItemList: {
            const int index = control.ItemIndex();
            if (index < 0 || index > FieldMaximum(field)) return {std::nullopt, control.Text()};
            return {index, std::to_string(index)};
        }
        case FieldKind::Number:
        case FieldKind::Display:
            break;
    }
    const std::string text = control.Text();
    const std::optional<int32_t> value = ParseIntegerText(text);
    if (!value || *value < 0 || *value > FieldMaximum(field)) return {std::nullopt, text};
    return {value, text};
}

}  // namespace

ControlValues ValuesOfControls(FieldControls& controls) {
    ControlValues result;
    for (const ConfigField& field : kConfigFields) {
        if (!IsSettable(field)) continue;
        const Shown shown = ShownValue(field, controls.Control(field.control()));
        if (shown.value) {
            result.values.push_back({&field, *shown.value});
        } else {
            result.errors.push_back(std::string(field.key) + ": '" + shown.text +
                                    "' is not a value of the field (0.." +
                                    std::to_string(FieldMaximum(field)) + ")");
        }
    }
    return result;
}

int ApplyValues(const std::vector<FieldValue>& values, FieldControls& controls) {
    int changed = 0;
    for (const FieldValue& value : values) {
        FieldControl& control = controls.Control(value.field->control());
        const Shown shown = ShownValue(*value.field, control);
        if (shown.value == value.value && shown.text == std::to_string(value.value)) continue;
        PutFieldValue(*value.field, value.value, control);
        control.Paint(Verdict::Grey);
        ++changed;
    }
    return changed;
}

const FieldValue* FindValue(const std::vector<FieldValue>& values, std::string_view key) {
    const auto found = std::find_if(values.begin(), values.end(),
                                    [key](const FieldValue& v) { return v.field->key == key; });
    return found == values.end() ? nullptr : &*found;
}

std::optional<std::string> NotAConfigurationFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error == std::errc::too_many_symbolic_link_levels)
        return "a loop of symbolic links, not a configuration file";
    if (status.type() == std::filesystem::file_type::not_found) return "no such configuration file";
    if (error) return "cannot be looked at (" + error.message() + ")";
    switch (status.type()) {
        case std::filesystem::file_type::regular:
            break;
        case std::filesystem::file_type::directory:
            return "a folder, not a configuration file";
        case std::filesystem::file_type::fifo:
        case std::filesystem::file_type::socket:
            return "a pipe or socket, not a configuration file";
        case std::filesystem::file_type::character:
        case std::filesystem::file_type::block:
            return "a device, not a configuration file";
        default:
            return "not a regular file";
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxConfigurationBytes) {
        return "holds " + std::to_string(size) +
               " bytes: a configuration file holds at most 1 MiB (one is about a kilobyte)";
    }
    return std::nullopt;
}

ParsedConfiguration LoadConfigurationFile(const std::filesystem::path& path) {
    const std::string name = chip::Utf8FromPath(path);
    ParsedConfiguration parsed;
    if (const std::optional<std::string> why = NotAConfigurationFile(path)) {
        parsed.errors.push_back(name + ": " + *why);
        return parsed;
    }
    errno = 0;
    const std::optional<std::string> text = ReadIniFile(path, kMaxConfigurationBytes);
    if (!text) {
        parsed.errors.push_back(name + ": the file cannot be read" +
                                (errno != 0 ? std::string(" (") + std::strerror(errno) + ")" : ""));
        return parsed;
    }
    parsed = ParseConfiguration(*text);
    for (std::string& message : parsed.errors) message = name + ": " + message;
    return parsed;
}

bool SaveConfigurationFile(const std::filesystem::path& path, const std::string& text,
                           std::string& error) {
    if (path.empty()) {
        error = "no configuration file named";
        return false;
    }
    std::error_code kind;
    if (std::filesystem::is_directory(path, kind)) {
        error = "unable to write the configuration file " + chip::Utf8FromPath(path) +
                ": it is a folder";
        return false;
    }
    errno = 0;
    if (base::RewriteFile(path, [&text](std::string_view) { return text; })) return true;
    const int reason = errno;
    error = "unable to write the configuration file " + chip::Utf8FromPath(path) +
            (reason != 0 ? std::string(": ") + std::strerror(reason) : std::string());
    return false;
}

bool JobRunner::Tick(chip::TASensDig& chip) {
    if (over_) return true;
    if (next_ >= job_.StepCount()) {
        End();
        return true;
    }
    try {
        job_.Step(chip, next_);
    } catch (...) {
        End();
        throw;
    }
    ++next_;
    if (next_ >= job_.StepCount()) End();
    return over_;
}

void JobRunner::Stop() {
    if (!over_) End();
}

void JobRunner::RunAll(chip::TASensDig& chip) {
    while (!Tick(chip)) {
    }
}

void JobRunner::End() {
    over_ = true;
    job_.Finish();
}

void ReadAllJob::Step(chip::TASensDig& chip, size_t index) {
    const auto address = static_cast<uint8_t>(index);
    const TransferWatch watch(chip);
    words_[address] = chip.GetReg(address, true);
    if (watch.Failed()) {
        for (const ConfigField* field : FieldsOfRegister(address)) {
            controls_.Control(field->control()).Paint(Verdict::Red);
        }
        watch.Check();
    }
    read_[address] = true;
}

void ReadAllJob::Finish() {
    for (const ConfigField& field : kConfigFields) {
        if (read_[field.reg])
            ShowField(field, words_[field.reg], controls_.Control(field.control()));
    }
}

WriteAllJob::WriteAllJob(FieldControls& controls, std::vector<FieldValue> values)
    : controls_(controls), values_(std::move(values)) {
    // The field table lists groups 1 to 4, each in its write order.
    std::stable_sort(values_.begin(), values_.end(),
                     [](const FieldValue& a, const FieldValue& b) { return a.field < b.field; });
    std::stable_partition(values_.begin(), values_.end(),
                          [](const FieldValue& v) { return v.field->key != "SSI_MODE"; });
}

void WriteAllJob::Step(chip::TASensDig& chip, size_t index) {
    const FieldValue& value = values_[index];
    FieldControl& control = controls_.Control(value.field->control());
    PutFieldValue(*value.field, value.value, control);
    const FieldWrite write = WriteField(chip, *value.field, controls_);
    // Once SSI_MODE is set the chip no longer answers over SPI: its read-back of all ones is
    // the switch taking effect, not a mismatch.
    if (value.field->key == "SSI_MODE" && value.value != 0 && write.result == 0 &&
        chip.Slot(value.field->reg).DevValue == 0xFFFF) {
        summary_.ssiSwitched = true;
        return;
    }
    summary_.Count(*value.field, write);
}

namespace {

// The word the values make of the SSI_MODE register over the chip's cache, and the keys of
// the values that touch it.
uint16_t SsiRegisterWord(uint16_t word, const ConfigField& ssi,
                         const std::vector<FieldValue>& values, std::vector<std::string>& keys) {
    for (const FieldValue& value : values) {
        if (value.field->reg != ssi.reg) continue;
        word = static_cast<uint16_t>(
            (word & ~value.field->mask) |
            ((static_cast<uint32_t>(value.value) << value.field->shift) & value.field->mask));
        keys.emplace_back(value.field->key);
    }
    return word;
}

}  // namespace

bool SendsSsiMode(const chip::TASensDig& chip, const std::vector<FieldValue>& values) {
    const ConfigField* ssi = FieldByKey("SSI_MODE");
    if (ssi == nullptr) return false;
    // Each field is its own write of the whole word, SSI_MODE last (as Write all and the batch
    // load order them): a field written before it sends the bit the word already holds.
    std::vector<FieldValue> order;
    for (const FieldValue& value : values) {
        if (value.field->reg == ssi->reg && value.field != ssi) order.push_back(value);
    }
    for (const FieldValue& value : values) {
        if (value.field == ssi) order.push_back(value);
    }
    uint16_t word = chip.Slot(ssi->reg).Value;
    for (const FieldValue& value : order) {
        std::vector<std::string> keys;
        const uint16_t next = SsiRegisterWord(word, *ssi, {value}, keys);
        if (next != word && (next & ssi->mask) != 0) return true;
        word = next;
    }
    return false;
}

std::optional<std::string> SsiWriteRefusal(const chip::TASensDig& chip,
                                           const std::vector<FieldValue>& values) {
    if (!SendsSsiMode(chip, values)) return std::nullopt;
    const ConfigField* ssi = FieldByKey("SSI_MODE");
    std::vector<std::string> keys;
    SsiRegisterWord(chip.Slot(ssi->reg).Value, *ssi, values, keys);
    std::string named;
    for (const std::string& key : keys) named += (named.empty() ? "" : ", ") + key;
    return "register " + std::to_string(ssi->reg) + " holds SSI_MODE=1 as the chip answers " +
           "it; writing " + named + " would send that bit and switch the chip's interface to " +
           "SSI, after which this tool no longer reaches it; nothing written";
}

CompareJob::CompareJob(FieldControls& controls) : controls_(controls) {
    for (const ConfigField& field : kConfigFields) {
        if (IsSettable(field) &&
            std::find(registers_.begin(), registers_.end(), field.reg) == registers_.end()) {
            registers_.push_back(field.reg);
        }
    }
}

void CompareJob::Step(chip::TASensDig& chip, size_t index) {
    const uint8_t address = registers_[index];
    const TransferWatch watch(chip);
    words_[address] = chip.GetReg(address, true);
    watch.Check();
    read_[address] = true;
}

void CompareJob::Finish() {
    for (const ConfigField& field : kConfigFields) {
        if (!IsSettable(field) || !read_[field.reg]) continue;
        FieldControl& control = controls_.Control(field.control());
        const Shown shown = ShownValue(field, control);
        const uint16_t held = Decode(field, words_[field.reg]);
        if (shown.value == held) {
            ++equal_;
            control.Paint(Verdict::Green);
        } else {
            different_.push_back({&field, shown.text, held});
            control.Paint(Verdict::Red);
        }
    }
}

bool CompareJob::Complete() const {
    return std::all_of(registers_.begin(), registers_.end(),
                       [this](uint8_t address) { return read_[address]; });
}

bool WriteRegisterWord(chip::TASensDig& chip, uint8_t address, uint16_t word) {
    const TransferWatch watch(chip);
    chip.PutReg(address, word, true);
    const uint16_t held = chip.GetReg(address, true);
    watch.Check();
    return held == word;
}

std::string RegisterContents(uint8_t address) {
    std::string text;
    for (const ConfigField* field : FieldsOfRegister(address)) {
        if (!text.empty()) text += ", ";
        const int high = field->shift + field->width - 1;
        text += std::string(field->key) + " [" + std::to_string(high);
        if (field->width > 1) {
            text += ':';
            text += std::to_string(field->shift);
        }
        text += "]";
    }
    if (!text.empty() || !chip::IsRegister(address)) return text;
    const chip::RegisterInfo& info = chip::kRegisters[address];
    if (address == kChipIdHighRegister)
        return std::string(info.name) + ": chip identifier, bits 31-16";
    if (address == kChipIdLowRegister)
        return std::string(info.name) + ": chip identifier, bits 15-0";
    if (info.content.empty()) return std::string(info.name);
    return std::string(info.name) + ": " + std::string(info.content);
}

}  // namespace app

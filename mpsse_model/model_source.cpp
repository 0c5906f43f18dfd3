#include "mpsse_model/model_source.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "chip/utf8_path.h"
#include "mpsse_model/spi_slave.h"
#include "sim/append_file.h"
#include "sim/chip_model.h"
#include "sim/scenario.h"
#include "sim/state_file.h"

namespace mpsse_model {

namespace {

const auto gLoadTime = std::chrono::steady_clock::now();

void Complain(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

using sim::OpenForAppending;

}  // namespace

/// What is plugged in: the scenario, the chip on channel A and the trace.
struct ModelSource::Board {
    sim::Settings settings;
    std::unique_ptr<sim::ChipModel> chip;
    sim::KeptState state;

    void Trace(const std::string& text) const {
        if (settings.traceFile.empty()) return;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - gLoadTime)
                            .count();
        const std::string line = std::to_string(ms) + " " + text + "\n";
        if (std::FILE* file = OpenForAppending(settings.traceFile)) {
            std::fwrite(line.data(), 1, line.size(), file);
            std::fclose(file);
        }
    }
    void OpenState() { state.Open(settings.stateFile, *chip, Complain); }
    void SaveState() { state.Save(settings.stateFile, *chip, Complain); }
};

namespace {

/// One channel's USB pipe, straight into the engine model.
class ModelTransport : public ftdi::Transport {
  public:
    ModelTransport(const Family& family, std::shared_ptr<ModelSource::Board> board, bool wired)
        : board_(std::move(board)),
          slave_(wired ? board_->chip.get() : nullptr),
          engine_(family, slave_) {
        if (wired) {
            slave_.SetFrameSink([this](const std::string& frame) {
                board_->Trace(frame);
                board_->SaveState();
            });
        }
    }

    int write(std::span<const uint8_t> bytes, std::chrono::milliseconds) override {
        if (!mpsse_) return static_cast<int>(bytes.size());  // the serial function: ignored
        engine_.Write(bytes);
        for (const std::string& line : engine_.TakeTrace()) {
            // The pin and shift commands of every transfer would drown the frames.
            if (line.rfind("shift", 0) != 0 && line.rfind("set low", 0) != 0)
                board_->Trace("mpsse " + line);
        }
        return static_cast<int>(bytes.size());
    }
    int read(std::span<uint8_t> buffer, std::chrono::milliseconds) override {
        return static_cast<int>(engine_.Read(buffer));
    }
    int reset() override {
        engine_.Reset();
        mpsse_ = false;
        return 0;
    }
    int purge() override {
        uint8_t drop[256];
        while (engine_.Read(drop) > 0) {
        }
        return 0;
    }
    int setLatencyTimer(uint8_t) override { return 0; }
    int setBitMode(uint8_t, ftdi::BitMode mode) override {
        if (mode != ftdi::BitMode::Mpsse) engine_.Reset();
        mpsse_ = mode == ftdi::BitMode::Mpsse;
        return 0;
    }

  private:
    std::shared_ptr<ModelSource::Board> board_;
    SpiSlave slave_;
    Engine engine_;
    bool mpsse_ = false;
};

}  // namespace

ModelSource::ModelSource(const Family& family, BackendFault fault)
    : family_(family), fault_(fault), board_(std::make_shared<Board>()) {
    if (const std::filesystem::path path = chip::PathFromEnvironment("QX5520_SIM"); !path.empty()) {
        sim::ScenarioResult scenario = sim::LoadScenario(chip::Utf8FromPath(path));
        for (const std::string& line : scenario.errors) Complain(line);
        board_->settings = std::move(scenario.settings);
    }
    board_->chip = std::make_unique<sim::ChipModel>(board_->settings.chip, sim::ChipModel::Clock{},
                                                    board_->settings.seed.value_or(5520));
}

ModelSource::~ModelSource() = default;

std::vector<ftdi::UsbDevice> ModelSource::scan() {
    if (board_->settings.channels == 0) return {};
    ftdi::UsbDevice device;
    device.vendorId = ftdi::kFtdiVendorId;
    device.productId = family_.productId;
    device.bcdDevice = family_.bcdDevice;
    device.bus = 1;
    device.address = 2;
    device.serialNumber = "QXMODEL1";
    device.description = "QX5520 on a modelled " + std::string(family_.name);
    return {device};
}

std::unique_ptr<ftdi::Transport> ModelSource::open(const ftdi::ChannelEntry& channel,
                                                   FT_STATUS& status) {
    status = FT_OK;
    const bool wired = channel.port == 0;
    if (wired) board_->OpenState();
    board_->Trace("mpsse open " + std::string(family_.name) + " port " +
                  std::string(1, static_cast<char>('A' + channel.port)));
    return WithBackendFault(std::make_unique<ModelTransport>(family_, board_, wired), fault_);
}

std::optional<const Family*> FamilyFromEnvironment() {
    const char* name = std::getenv("QX_FTDI_MODEL");
    if (name == nullptr || *name == '\0') return std::nullopt;
    if (const Family* family = FamilyNamed(name)) return family;
    Complain(std::string("QX_FTDI_MODEL: no such family: ") + name +
             " (ft232h, ft2232h, ft4232h, ft2232d)");
    return std::nullopt;
}

}  // namespace mpsse_model

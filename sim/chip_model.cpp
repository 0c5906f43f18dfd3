#include "sim/chip_model.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <numbers>

namespace sim {

namespace {

constexpr double kBaseAmplitude = 2500.0;   // channel amplitude at gain 0, in codes
constexpr double kAnalogOffsetStep = 16.0;  // codes per step of OA_X / OA_Y
constexpr std::array<double, 4> kGainMultiple = {1.0, 1.5, 2.0, 3.0};  // by XG
constexpr double kLowSpeedRpm = 1.0;                                   // LOW_SPEED below this speed
constexpr int kCodeMin = -4096;  // 13-bit two's complement limits
constexpr int kCodeMax = 4095;
constexpr int kFullTurn = 8192;       // angle codes per revolution
constexpr double kHoldSeconds = 1.0;  // a held conversion is dropped after this

constexpr uint16_t kStatusEml = 1u << 6;
constexpr uint16_t kStatusReady = (1u << 5) | (1u << 4) | (1u << 3);  // OFC, CONV, ELOAD
constexpr uint16_t kStatusLowSpeed = 1u << 2;
constexpr uint16_t kStatusOtrY = 1u << 1;
constexpr uint16_t kStatusOtrX = 1u << 0;

constexpr uint8_t kCommitByte = 0xFE;
constexpr int kPlainWritable = 33;
constexpr int kIdentification = 39;
constexpr uint16_t kSsiMode = 1u << 11;  // register 16

int Signed13(uint16_t v) {
    v &= 0x1FFF;
    return (v & 0x1000) ? int(v) - 8192 : int(v);
}
int Signed6(uint16_t v) {
    v &= 0x3F;
    return (v & 0x20) ? int(v) - 64 : int(v);
}
int Field(uint16_t word, uint16_t mask) {
    return (word & mask) >> std::countr_zero(mask);
}

// The magnet's position at that moment, in turns from 0 up to 1. The time is taken in whole
// microseconds since the epoch (about 1.8e15 today, exact in a double) and reduced to within
// one revolution by fmod, which is exact. Multiplying the speed by the epoch time first
// would give some 1e12 turns at the top speeds and leave the fraction of a turn only a few
// codes' precision.
double MagnetTurns(double rpm, double seconds) {
    const double microseconds = std::round(seconds * 1e6);
    if (rpm == 0.0 || !std::isfinite(rpm) || !std::isfinite(microseconds)) return 0.0;
    const double period = 60e6 / std::abs(rpm);  // microseconds per revolution
    double within = std::fmod(microseconds, period);
    if (within < 0.0) within += period;
    double turns = within / period;
    if (rpm < 0.0) turns = 1.0 - turns;
    return turns < 1.0 ? turns : 0.0;
}

}  // namespace

uint16_t StoredBits(int address) {
    switch (address) {
        case 1:
            return 0xF80F;  // FREQG, T_CURR
        case 2:
            return 0xFFE0;  // GA_X, OA_X
        case 3:
            return 0xFFFF;  // every bit is a field
        case 4:             // OFFSET_SIN
        case 5:             // OFFSET_COS
        case 6:             // ANG_CLAMP_DN
        case 7:             // AMP_EML_TH
        case 12:            // PHI_MIN
        case 13:
            return 0x1FFF;  // PHI_MAX
        case 8:
            return 0x0001;  // EE_LD_EN
        case 11:
            return 0x3FFF;  // EN360, ZERO_POS
        case 14:
            return 0x3FFF;  // ANG_RNG_LSB
        case 15:
            return 0x003F;  // ANG_RNG_MSB
        case 16:
            return 0x09BF;  // SSI_MODE, EML_OUT_EN, AGC_EN, ADCNT, REF, DIR, AOC_EN
        case 33:
            return 0xFF00;  // ATST0_SET, DTST_SET
        default:
            return (address >= 0 && address <= 31) ? 0xFFFF : 0x0000;
    }
}

ChipModel::ChipModel(const ChipOptions& options, Clock clock, uint32_t seed)
    : options_(options), clock_(std::move(clock)), random_(seed) {
    if (!clock_) {
        clock_ = [] {
            const auto sinceEpoch = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::system_clock::now().time_since_epoch());
            return double(sinceEpoch.count()) / 1e6;
        };
    }
    PowerUp();
}

void ChipModel::PowerUp() {
    for (int a = 0; a < int(stored_.size()); ++a) {
        stored_[a] = options_.fixed[a].value_or(0) & StoredBits(a);
    }
    locked_ = (stored_[16] & kSsiMode) != 0;
    armedAddress_ = writeAddress_ = commitAddress_ = readAddress_ = -1;
    held_.reset();
    writeArmed_ = false;
}

void ChipModel::LoadRegisters(const RegisterFile& registers) {
    for (int a = 0; a < int(stored_.size()); ++a) stored_[a] = registers[a] & StoredBits(a);
    locked_ = (stored_[16] & kSsiMode) != 0;
}

double ChipModel::Seconds() const {
    return clock_();
}

void ChipModel::BeginFrame() {
    sentCount_ = 0;
    receivedCount_ = 0;
}

void ChipModel::Send(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (sentCount_ < sent_.size()) sent_[sentCount_] = bytes[i];
        ++sentCount_;
    }
}

void ChipModel::Receive(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i, ++receivedCount_) {
        if (receivedCount_ == 0) response_ = ResponseWord();
        if (receivedCount_ == 0) {
            bytes[i] = uint8_t(response_ >> 8);
        } else if (receivedCount_ == 1) {
            bytes[i] = uint8_t(response_ & 0xFF);
        } else {
            // Past the word the chip shifts out nothing; the line rests where it is pulled.
            bytes[i] = options_.presence == ChipPresence::Absent || locked_ ? 0xFF : 0x00;
        }
    }
}

void ChipModel::EndFrame() {
    if (sentCount_ > 0) HandleWrittenFrame();
    sentCount_ = 0;
    receivedCount_ = 0;
}

uint16_t ChipModel::ResponseWord() {
    // Whatever answers, a pending read command is used up by this read frame.
    const int address = readAddress_;
    readAddress_ = -1;
    switch (options_.presence) {
        case ChipPresence::Absent:
            return 0xFFFF;
        case ChipPresence::Silent:
            return 0x0000;
        case ChipPresence::Present:
            break;
    }
    if (locked_) return 0xFFFF;
    if (address >= 0) return ReadRegister(address);
    return options_.angleWord ? *options_.angleWord : Sample().angleWord;
}

void ChipModel::HandleWrittenFrame() {
    if (options_.presence != ChipPresence::Present || locked_) return;
    const uint8_t first = sent_[0];

    if (writeAddress_ >= 0) {  // this frame is the data word of a write command
        const int address = writeAddress_;
        const bool armed = writeArmed_;
        writeAddress_ = -1;
        writeArmed_ = false;
        if (sentCount_ < 2) return;  // a word needs both bytes
        const uint16_t word = uint16_t(sent_[0] << 8 | sent_[1]);
        if (address <= 31) {
            if (armed) {
                commitAddress_ = address;
                commitWord_ = word;
            }
        } else if (address == kPlainWritable) {
            Store(address, word);
        }
        return;
    }
    if (first == 0x00) {
        // The no-operation. The write command for register 0 is the same byte, so once
        // register 0 is armed the no-op of the sequence is followed by its command.
        if (armedAddress_ != 0) return;
        if (!armedNoOperation_) {
            armedNoOperation_ = true;
            return;
        }
    }

    const int address = (first >> 1) & 0x3F;
    if (first & 0x80) {
        if (first == kCommitByte) {
            if (commitAddress_ >= 0) Store(commitAddress_, commitWord_);
            commitAddress_ = -1;
            armedAddress_ = -1;
        } else {
            armedAddress_ = address;
            armedNoOperation_ = false;
            commitAddress_ = -1;
        }
        return;
    }
    commitAddress_ = -1;  // anything but the commit drops a configuration word
    if (first & 0x01) {
        readAddress_ = address;
        return;
    }
    writeAddress_ = address;
    writeArmed_ = armedAddress_ == address;
    armedAddress_ = -1;
}

void ChipModel::Store(int address, uint16_t word) {
    stored_[address] = word & StoredBits(address);
    ++acceptedWrites_;
    held_.reset();  // a new setting shows in the next conversion
    if (address == 16 && (stored_[16] & kSsiMode)) locked_ = true;
}

uint16_t ChipModel::ReadRegister(int address) {
    uint16_t word = 0;
    if (address < 0 || address >= kRegisterCount) return 0;
    if (address != 32 && address <= kPlainWritable) {
        word = stored_[address];
    } else if (options_.fixed[address]) {
        word = *options_.fixed[address];
    } else if (address == kIdentification) {
        word = options_.id;
    } else {
        const LiveOutputs live = address == 32 ? Sample() : HeldOutput(address);
        switch (address) {
            case 32:
                word = live.status;
                break;
            case 34:
                word = live.cosine;
                break;
            case 35:
                word = live.sine;
                break;
            case 36:
                word = live.cordic;
                break;
            case 37:
                word = live.angle;
                break;
            case 38:
                word = live.amplitude;
                break;
            default:
                break;
        }
    }
    return uint16_t((word | options_.stuckHigh[address]) & ~options_.stuckLow[address]);
}

LiveOutputs ChipModel::HeldOutput(int address) {
    // The chip converts once and holds its outputs until each has been read, so sine and
    // cosine read one after the other (100 ms apart) belong to the same moment. Reading an
    // output a second time, or after a long pause, starts a new conversion.
    if (!options_.hold) return Sample();
    const unsigned bit = 1u << (address - 34);
    const double now = Seconds();
    if (!held_ || (heldRead_ & bit) || now - heldAt_ > kHoldSeconds || now < heldAt_) {
        held_ = Sample();
        heldAt_ = now;
        heldRead_ = 0;
    }
    heldRead_ |= bit;
    return *held_;
}

LiveOutputs ChipModel::Sample() {
    return SampleAt(Seconds());
}

uint16_t ChipModel::AngleWordAt(double seconds) {
    if (options_.presence != ChipPresence::Present || locked_ || options_.angleWord) {
        return ResponseWord();
    }
    readAddress_ = -1;  // a pending read command is used up, as by any read frame
    double at = seconds;
    if (options_.conversionHz > 0) {
        const double conversion = std::floor(seconds * options_.conversionHz);
        if (conversion == burstConversion_) return burstWord_;
        burstConversion_ = conversion;
        at = conversion / options_.conversionHz;
    }
    burstWord_ = SampleAt(at).angleWord;
    return burstWord_;
}

LiveOutputs ChipModel::SampleAt(double now) {
    const uint16_t r2 = stored_[2], r3 = stored_[3], r16 = stored_[16];
    const double multiple = kGainMultiple[Field(r3, 0x1800)];  // XG
    const bool sensorOff = (r3 & 0x6000) != 0;                 // SDIS or PDIS
    const double ampX =
        sensorOff ? 0.0 : kBaseAmplitude * (1.0 + Field(r2, 0xF800) / 16.0) * multiple;  // GA_X
    const double ampY =
        sensorOff ? 0.0 : kBaseAmplitude * (1.0 + Field(r3, 0x07C0) / 16.0) * multiple;  // GA_Y
    const double offX = Signed6(uint16_t(Field(r2, 0x07E0))) * kAnalogOffsetStep +
                        options_.offsetGain * Signed13(stored_[4]);  // OA_X, OFFSET_SIN
    const double offY = Signed6(uint16_t(Field(r3, 0x003F))) * kAnalogOffsetStep +
                        options_.offsetGain * Signed13(stored_[5]);  // OA_Y, OFFSET_COS

    constexpr double kRadian = std::numbers::pi / 180.0;
    const double steady = 2.0 * std::numbers::pi * MagnetTurns(options_.rpm, now);
    double position = steady + options_.speedRipple * kRadian * std::sin(steady);
    if (truth_) {
        double degrees = std::fmod(position / kRadian, 360.0);
        if (degrees < 0) degrees += 360.0;
        truth_(now, degrees);
    }
    // The angle of the field at the sensor: the magnet's, off by its known errors.
    const double phase = position + options_.eccentricity * kRadian * std::cos(position) +
                         options_.harmonic2 * kRadian * std::cos(2.0 * position);
    // Without noise nothing is drawn, so a quiet chip answers the same whatever its seed.
    std::normal_distribution<double> normal(0.0, options_.noise > 0.0 ? options_.noise : 1.0);
    auto noise = [&] { return options_.noise > 0.0 ? normal(random_) : 0.0; };
    auto code = [](double v) {
        return int(std::clamp(std::lround(v), long(kCodeMin), long(kCodeMax)));
    };
    const int x = code(ampX * std::sin(phase) + offX + noise());
    const int y = code(ampY * std::cos(phase + options_.phase * kRadian) + offY + noise());

    LiveOutputs out;
    out.sine = uint16_t(x & 0x1FFF);
    out.cosine = uint16_t(y & 0x1FFF);

    double z = std::atan2(double(x), double(y)) / (2.0 * std::numbers::pi);
    if (z < 0) z += 1.0;
    const int zCode = int(std::lround(z * kFullTurn)) % kFullTurn;
    out.cordic = uint16_t((zCode >> 11) << 14 | zCode);

    const int zero = Field(stored_[11], 0x1FFF);  // ZERO_POS
    const bool reverse = (r16 & 0x0002) != 0;     // DIR
    const int angle = ((reverse ? zero - zCode : zCode - zero) % kFullTurn + kFullTurn) % kFullTurn;
    out.angle = uint16_t(angle);

    const long amplitude = std::lround(std::hypot(double(x), double(y)));
    out.amplitude = uint16_t(std::min(amplitude, 8191L));

    // OTR flags follow the peaks of the signal, so the status holds still while it turns.
    const bool otrX = offX + ampX > kCodeMax || offX - ampX < kCodeMin;
    const bool otrY = offY + ampY > kCodeMax || offY - ampY < kCodeMin;
    const bool lowSpeed = std::abs(options_.rpm) < kLowSpeedRpm;
    out.status = kStatusReady;
    if (out.amplitude < Field(stored_[7], 0x1FFF)) out.status |= kStatusEml;  // AMP_EML_TH
    if (lowSpeed) out.status |= kStatusLowSpeed;
    if (otrY) out.status |= kStatusOtrY;
    if (otrX) out.status |= kStatusOtrX;

    uint16_t word = uint16_t(angle);
    if (otrX || otrY) word |= 1u << 13;  // ADC out of range
    if (lowSpeed) word |= 1u << 14;
    if (std::popcount(word) % 2) word |= 1u << 15;  // even parity over the whole word
    out.angleWord = word;
    return out;
}

}  // namespace sim

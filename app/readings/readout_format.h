// What the measurement pages make of the chip's readout registers: channel conversions, the
// X-Y statistics and the texts of the memo and the log files.
#pragma once

#include <cstdint>
#include <string>

namespace app {

/// 13-bit two's-complement reading of a channel code: v - 8192 when bit 12 is set, else v.
/// Bits 13-15 are not looked at, so an unmasked word keeps them in the result.
constexpr int32_t Sign13(uint16_t v) {
    return (v & 0x1000) != 0 ? int32_t{v} - 8192 : int32_t{v};
}

/// The low 13 bits of a register word.
constexpr uint16_t Low13(uint16_t word) {
    return static_cast<uint16_t>(word & 0x1FFF);
}

/// One reading of the signal charts, from registers 34-38 each masked to 13 bits first.
struct ChartSample {
    int32_t Sine = 0;       // register 35, signed
    int32_t Cosine = 0;     // register 34, signed
    int32_t Cordic = 0;     // register 36, unsigned
    int32_t Angle = 0;      // register 37, unsigned
    int32_t Amplitude = 0;  // register 38, unsigned

    bool operator==(const ChartSample&) const = default;
};

ChartSample ChartSampleFromRegisters(uint16_t reg34, uint16_t reg35, uint16_t reg36, uint16_t reg37,
                                     uint16_t reg38);

/// One X-Y reading: x from register 35, y from register 34, both unmasked.
struct XYPoint {
    int32_t X = 0;
    int32_t Y = 0;

    bool operator==(const XYPoint&) const = default;
};

XYPoint XYPointFromRegisters(uint16_t reg35, uint16_t reg34);

/// The integer nearest to n / 2, a half going to the even neighbour.
constexpr int32_t HalfToEven(int64_t n) {
    const int64_t down = n >= 0 ? n / 2 : -((-n + 1) / 2);  // floor(n / 2)
    if (n % 2 == 0) return static_cast<int32_t>(down);
    return static_cast<int32_t>(down % 2 == 0 ? down : down + 1);
}

/// The running extremes of the X-Y page and what is derived from them.
struct XYStatistics {
    int32_t XYMaxX = -4500;
    int32_t XYMaxY = -4500;
    int32_t XYMinX = 4500;
    int32_t XYMinY = 4500;

    /// The start values, outside every 13-bit reading, so the first reading replaces all four.
    void Reset() { *this = XYStatistics{}; }
    /// Takes one reading into the extremes, each with a strict comparison.
    void Add(XYPoint point);

    int32_t OffsetX() const { return HalfToEven(int64_t{XYMaxX} + XYMinX); }
    int32_t OffsetY() const { return HalfToEven(int64_t{XYMaxY} + XYMinY); }
    int32_t AmplitudeX() const { return HalfToEven(int64_t{XYMaxX} - XYMinX); }
    int32_t AmplitudeY() const { return HalfToEven(int64_t{XYMaxY} - XYMinY); }
};

/// How much of the ADC range (-4096..4095) each channel's extremes span.
struct Headroom {
    double percentX = 0;
    double percentY = 0;
    bool clipsX = false;  // a reading at an end of the range
    bool clipsY = false;
    bool smallX = false;  // less than a quarter of the range
    bool smallY = false;
};
/// otrX, otrY: the chip's own out-of-range flags (status register bits 0 and 1), which
/// count as clipping too.
Headroom HeadroomOf(const XYStatistics& extremes, bool otrX = false, bool otrY = false);

/// The angle word as GetAngleData delivers it.
struct AngleSample {
    uint16_t AData = 0;
    uint16_t AngleData = 0;
    uint8_t ADC = 0;
    uint8_t LS = 0;
    uint8_t CRC = 0;
};

/// The angle word's bits: 15 CRC, 14 LOW_SPEED, 13 ADC, 12-0 the angle.
AngleSample AngleSampleFromWord(uint16_t word);

/// The memo line of a single read: "hex 0A2B angle=2603 ADC=0 LOW_SPEED = 0 CRC=0".
std::string SingleReadLine(const AngleSample& sample);

inline constexpr const char* kAngleLogHeader = "FullData;Angle Data;ADC;LS;CRC";
inline constexpr const char* kChartLogHeader = "RegCOS;RegSin;Cordic_OUT;Ang_OUT;Aplitude";
inline constexpr const char* kXYLogHeader = "X;Y";

/// "0A2B;2603;0;0;0"
std::string AngleLogLine(const AngleSample& sample);
/// Cosine first: "-256;4095;291;100;2000"
std::string ChartLogLine(const ChartSample& sample);
/// With a final semicolon: "256;-256;"
std::string XYLogLine(XYPoint point);

}  // namespace app

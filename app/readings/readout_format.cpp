#include "app/readings/readout_format.h"

#include <cstdio>

namespace app {

ChartSample ChartSampleFromRegisters(uint16_t reg34, uint16_t reg35, uint16_t reg36, uint16_t reg37,
                                     uint16_t reg38) {
    ChartSample sample;
    sample.Sine = Sign13(Low13(reg35));
    sample.Cosine = Sign13(Low13(reg34));
    sample.Cordic = Low13(reg36);
    sample.Angle = Low13(reg37);
    sample.Amplitude = Low13(reg38);
    return sample;
}

XYPoint XYPointFromRegisters(uint16_t reg35, uint16_t reg34) {
    return XYPoint{Sign13(reg35), Sign13(reg34)};
}

void XYStatistics::Add(XYPoint point) {
    if (point.X > XYMaxX) XYMaxX = point.X;
    if (point.Y > XYMaxY) XYMaxY = point.Y;
    if (point.X < XYMinX) XYMinX = point.X;
    if (point.Y < XYMinY) XYMinY = point.Y;
}

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[96];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

}  // namespace

AngleSample AngleSampleFromWord(uint16_t word) {
    AngleSample sample;
    sample.AData = word;
    sample.CRC = static_cast<uint8_t>((word >> 15) & 1);
    sample.LS = static_cast<uint8_t>((word >> 14) & 1);
    sample.ADC = static_cast<uint8_t>((word >> 13) & 1);
    sample.AngleData = Low13(word);
    return sample;
}

std::string SingleReadLine(const AngleSample& s) {
    return Format("hex %04X angle=%u ADC=%u LOW_SPEED = %u CRC=%u", unsigned{s.AData},
                  unsigned{s.AngleData}, unsigned{s.ADC}, unsigned{s.LS}, unsigned{s.CRC});
}

std::string AngleLogLine(const AngleSample& s) {
    return Format("%04X;%u;%u;%u;%u", unsigned{s.AData}, unsigned{s.AngleData}, unsigned{s.ADC},
                  unsigned{s.LS}, unsigned{s.CRC});
}

std::string ChartLogLine(const ChartSample& s) {
    return Format("%d;%d;%d;%d;%d", s.Cosine, s.Sine, s.Cordic, s.Angle, s.Amplitude);
}

std::string XYLogLine(XYPoint point) {
    return Format("%d;%d;", point.X, point.Y);
}

Headroom HeadroomOf(const XYStatistics& extremes, bool otrX, bool otrY) {
    constexpr int32_t kLowest = -4096;
    constexpr int32_t kHighest = 4095;
    constexpr double kRange = kHighest - kLowest;
    Headroom room;
    room.percentX = (extremes.XYMaxX - extremes.XYMinX) / kRange * 100;
    room.percentY = (extremes.XYMaxY - extremes.XYMinY) / kRange * 100;
    room.clipsX = otrX || extremes.XYMaxX >= kHighest || extremes.XYMinX <= kLowest;
    room.clipsY = otrY || extremes.XYMaxY >= kHighest || extremes.XYMinY <= kLowest;
    room.smallX = room.percentX < 25;
    room.smallY = room.percentY < 25;
    return room;
}

}  // namespace app

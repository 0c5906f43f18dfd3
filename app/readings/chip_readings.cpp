#include "app/readings/chip_readings.h"

#include "app/readings/transfer_check.h"
#include "chip/ASens_Digital.h"

namespace app {

ReadoutWords ReadReadoutWords(chip::TASensDig& chip) {
    const TransferWatch watch(chip);
    ReadoutWords words;
    words.r34 = chip.GetReg(34, true);
    words.r35 = chip.GetReg(35, true);
    words.r36 = chip.GetReg(36, true);
    words.r37 = chip.GetReg(37, true);
    words.r38 = chip.GetReg(38, true);
    watch.Check();
    return words;
}

ChartSample ReadChartSample(chip::TASensDig& chip) {
    const ReadoutWords w = ReadReadoutWords(chip);
    return ChartSampleFromRegisters(w.r34, w.r35, w.r36, w.r37, w.r38);
}

XYPoint ReadXYPoint(chip::TASensDig& chip) {
    const TransferWatch watch(chip);
    const uint16_t reg34 = chip.GetReg(34, true);
    const uint16_t reg35 = chip.GetReg(35, true);
    watch.Check();
    return XYPointFromRegisters(reg35, reg34);
}

uint16_t ReadRegisterWord(chip::TASensDig& chip, uint8_t address) {
    const TransferWatch watch(chip);
    const uint16_t word = chip.GetReg(address, true);
    watch.Check();
    return word;
}

AngleSample ReadAngleSample(chip::TASensDig& chip) {
    const TransferWatch watch(chip);
    AngleSample sample;
    chip.GetAngleData(sample.AData, sample.AngleData, sample.ADC, sample.LS, sample.CRC);
    watch.Check();
    return sample;
}

}  // namespace app

// The C++ side of the Python module's speed: the loop Chip.read_angles runs (a time and one
// angle word per reading, no pause, made into the row a script gets), written straight
// against the core. Prints the best of
// `rounds` runs of `n` readings, in seconds.
//   bench_angle_loop LIBRARY N ROUNDS
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/analysis/accuracy_recording.h"
#include "app/readings/chip_readings.h"
#include "app/readings/identification.h"
#include "app/readings/readout_format.h"
#include "chip/ASens_Digital.h"
#include "chip/UnitFTDI.h"
#include "chip/utf8_path.h"

namespace {

struct AngleRow {
    double time;
    uint16_t code;
    double degrees;
    uint8_t adc;
    uint8_t low_speed;
    bool parity_ok;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_angle_loop LIBRARY N ROUNDS\n");
        return 2;
    }
    if (!chip::BindAdapterLibrary(chip::PathFromUtf8(argv[1]))) {
        std::fprintf(stderr, "%s: no adapter library\n", argv[1]);
        return 1;
    }
    const long n = std::atol(argv[2]);
    const int rounds = std::atoi(argv[3]);
    chip::Adapter adapter([] { return 1'000'000u; });
    chip::TASensDig dig(adapter);
    if (app::Identify(dig, adapter).outcome != app::IdentifyOutcome::Identified) {
        std::fprintf(stderr, "the chip was not identified\n");
        return 1;
    }
    app::RecordingClock clock;
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        // A fresh array each time, as a function that returns its readings has.
        std::vector<AngleRow> rows(static_cast<size_t>(n));
        for (long i = 0; i < n; ++i) {
            const double at = clock.Seconds();
            const uint16_t word = app::ReadAngleSample(dig).AData;
            const app::AngleSample sample = app::AngleSampleFromWord(word);
            rows[static_cast<size_t>(i)] = {
                at,         sample.AngleData, app::AngleCodeDegrees(sample.AngleData),
                sample.ADC, sample.LS,        std::popcount(word) % 2 == 0};
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    dig.CloseSPI();
    std::printf("%.6f\n", best);
    return 0;
}

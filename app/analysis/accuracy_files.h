// The files of an accuracy measurement: a reference instrument's CSV of time and angle read
// in (its columns chosen after a look at its first lines), and the curve, the harmonics and
// the readings written out as CSV.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "app/analysis/angle_accuracy.h"

namespace app {

/// The first lines of a CSV file, split, before its columns are chosen.
struct CsvPreview {
    char separator = ';';  // ';', a tab or ',', whichever the first line has (in that order)
    bool header = false;   // the first line names the columns (it holds a field not a number)
    std::vector<std::string> names;              // the header's names, else "1", "2", …
    std::vector<std::vector<std::string>> rows;  // the first data lines
};

/// Looks at the first data lines (blank lines and lines starting with '#' skipped).
CsvPreview PreviewCsv(std::istream& in, size_t rows = 20);

/// What the reference's angle counts.
enum class AngleUnit { Degrees, Radians, Counts };

/// Which columns hold the time and the angle, and what the time and the angle count.
struct ReferenceColumns {
    size_t time = 0;
    size_t angle = 1;
    double secondsPerUnit = 1.0;  // 1e-3 for milliseconds
    AngleUnit angleUnit = AngleUnit::Degrees;
    double countsPerTurn = 0;  // for AngleUnit::Counts (an encoder's counts)
    /// The times count from the recording's first reading, not (as the tool's own readings
    /// do) from 1970-01-01 UTC.
    bool fromRecordingStart = false;
};

/// Degrees per unit of the reference's angle column; 0 for counts without a count per turn.
double DegreesPerUnit(const ReferenceColumns& columns);

/// The columns a preview suggests: a header name with "time", "zeit" or "врем" for the time,
/// "angle", "deg", "pos" or "угол" for the angle (else the first two columns); "ms" in the
/// time's name for milliseconds. The angle's unit from its name ("rad", "count", "cnt",
/// "inc") or else from its values: within ±2π and spanning over 3 radians, integers beyond
/// 360 as counts of the next power of two.
ReferenceColumns GuessColumns(const CsvPreview& preview);

enum class ReferenceFault {
    None,
    Empty,          // no data line
    TooFewColumns,  // a line lacks the time or the angle column
    NotANumber,     // the time or the angle of a line is no number
    Backwards,      // a time is not after the one before
};

struct ReferenceRead {
    std::vector<TimedAngle> samples;  // seconds on the readings' clock, degrees
    ReferenceFault fault = ReferenceFault::None;
    size_t line = 0;  // the file's line (from 1) of the fault
};

/// Reads the reference: numbers with a decimal point, or a decimal comma when the separator is
/// not a comma; the header line (when the preview saw one) skipped; angles in degrees by the
/// unit chosen. recordingStart: the first reading's time, added to times that count from it.
ReferenceRead ReadReference(std::istream& in, const ReferenceColumns& columns,
                            double recordingStart);

/// "Angle, deg;Error, deg": the revolution-averaged curve.
bool WriteCurveCsv(std::ostream& out, const AccuracyResult& result);
/// "Harmonic;Amplitude, deg;Phase, deg": harmonics 1 to 8.
bool WriteHarmonicsCsv(std::ostream& out, const AccuracyResult& result);
/// "Time, s;Angle, deg;Reference, deg;Error, deg": every reading; the last two only for the
/// readings the result used (result may be null).
bool WriteReadingsCsv(std::ostream& out, const std::vector<TimedAngle>& readings,
                      const AccuracyResult* result);

}  // namespace app

#include "app/analysis/accuracy_files.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <string_view>

namespace app {

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\"");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\"");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t end = line.find(separator, start);
        fields.emplace_back(Trim(std::string_view(line).substr(start, end - start)));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fields;
}

bool Skipped(const std::string& line) {
    const std::string_view text = Trim(line);
    return text.empty() || text.front() == '#';
}

std::optional<double> Number(std::string text, char separator) {
    if (separator != ',') std::replace(text.begin(), text.end(), ',', '.');
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || text.empty() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

char SeparatorOf(const std::string& line) {
    for (char separator : {';', '\t', ','}) {
        if (line.find(separator) != std::string::npos) return separator;
    }
    return ';';
}

// A line that names its columns: a field that is there and is no number (an empty field,
// such as after a trailing separator, says nothing).
bool IsHeader(const std::vector<std::string>& fields, char separator) {
    return std::any_of(fields.begin(), fields.end(), [separator](const std::string& f) {
        return !f.empty() && !Number(f, separator);
    });
}

// With a decimal point whatever the process's locale (the window's may use a comma).
std::string Fixed(double value, int decimals) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(text, end) : std::string("nan");
}

}  // namespace

CsvPreview PreviewCsv(std::istream& in, size_t rows) {
    CsvPreview preview;
    std::string line;
    bool first = true;
    while (preview.rows.size() < rows && std::getline(in, line)) {
        if (Skipped(line)) continue;
        if (first) {
            first = false;
            preview.separator = SeparatorOf(line);
            std::vector<std::string> fields = Split(line, preview.separator);
            if (IsHeader(fields, preview.separator)) {
                preview.header = true;
                preview.names = std::move(fields);
                continue;
            }
        }
        preview.rows.push_back(Split(line, preview.separator));
    }
    size_t columns = preview.names.size();
    for (const auto& row : preview.rows) columns = std::max(columns, row.size());
    for (size_t i = 0; i < columns; ++i) {
        if (i >= preview.names.size()) preview.names.push_back(std::to_string(i + 1));
        if (preview.names[i].empty()) preview.names[i] = std::to_string(i + 1);
    }
    return preview;
}

double DegreesPerUnit(const ReferenceColumns& columns) {
    switch (columns.angleUnit) {
        case AngleUnit::Radians:
            return 180.0 / std::numbers::pi;
        case AngleUnit::Counts:
            return columns.countsPerTurn > 0 ? 360.0 / columns.countsPerTurn : 0.0;
        default:
            return 1.0;
    }
}

namespace {

bool NameHas(const std::string& name, std::initializer_list<const char*> words) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::any_of(words.begin(), words.end(), [&](const char* word) {
        return lower.find(word) != std::string::npos || name.find(word) != std::string::npos;
    });
}

}  // namespace

ReferenceColumns GuessColumns(const CsvPreview& preview) {
    ReferenceColumns columns;
    const auto& names = preview.names;
    if (preview.header) {
        auto find = [&names](std::initializer_list<const char*> words, size_t fallback) {
            for (size_t i = 0; i < names.size(); ++i) {
                if (NameHas(names[i], words)) return i;
            }
            return fallback;
        };
        columns.time = find({"time", "zeit", "врем", "Врем"}, 0);
        columns.angle = find({"angle", "deg", "pos", "rad", "count", "угол", "Угол"},
                             columns.time == 0 ? 1 : 0);
        if (names.size() > 1 && columns.angle == columns.time)
            columns.angle = columns.time == 0 ? 1 : 0;
        if (columns.time < names.size() && NameHas(names[columns.time], {"ms", "мс"}))
            columns.secondsPerUnit = 1e-3;
    }
    const std::string name = columns.angle < names.size() ? names[columns.angle] : "";
    double low = 0, high = 0;
    bool integers = true, any = false;
    for (const auto& row : preview.rows) {
        if (columns.angle >= row.size()) continue;
        const std::optional<double> value = Number(row[columns.angle], preview.separator);
        if (!value) continue;
        low = any ? std::min(low, *value) : *value;
        high = any ? std::max(high, *value) : *value;
        integers = integers && *value == std::floor(*value);
        any = true;
    }
    auto countsFrom = [&](double top) {
        columns.angleUnit = AngleUnit::Counts;
        columns.countsPerTurn = std::exp2(std::ceil(std::log2(std::max(top, 2.0) + 1)));
    };
    if (preview.header && NameHas(name, {"rad"})) {
        columns.angleUnit = AngleUnit::Radians;
    } else if (preview.header && NameHas(name, {"count", "cnt", "inc"})) {
        countsFrom(high);
    } else if (preview.header && NameHas(name, {"deg", "°"})) {
        columns.angleUnit = AngleUnit::Degrees;
    } else if (any && low >= -2 * std::numbers::pi - 0.01 && high <= 2 * std::numbers::pi + 0.01 &&
               high - low > 3 && !integers) {
        columns.angleUnit = AngleUnit::Radians;
    } else if (any && integers && low >= 0 && high > 360) {
        countsFrom(high);
    }
    return columns;
}

ReferenceRead ReadReference(std::istream& in, const ReferenceColumns& columns,
                            double recordingStart) {
    ReferenceRead read;
    std::string line;
    size_t number = 0;
    bool first = true;
    char separator = ';';
    auto fail = [&read, &number](ReferenceFault fault) {
        read.fault = fault;
        read.line = number;
        read.samples.clear();
        return read;
    };
    while (std::getline(in, line)) {
        ++number;
        if (Skipped(line)) continue;
        if (first) {
            first = false;
            separator = SeparatorOf(line);
            if (IsHeader(Split(line, separator), separator)) continue;
        }
        const std::vector<std::string> fields = Split(line, separator);
        if (std::max(columns.time, columns.angle) >= fields.size())
            return fail(ReferenceFault::TooFewColumns);
        const std::optional<double> time = Number(fields[columns.time], separator);
        const std::optional<double> angle = Number(fields[columns.angle], separator);
        if (!time || !angle) return fail(ReferenceFault::NotANumber);
        double seconds = *time * columns.secondsPerUnit;
        if (columns.fromRecordingStart) seconds += recordingStart;
        if (!read.samples.empty() && seconds <= read.samples.back().seconds)
            return fail(ReferenceFault::Backwards);
        read.samples.push_back({seconds, *angle * DegreesPerUnit(columns)});
    }
    if (read.samples.empty()) return fail(ReferenceFault::Empty);
    return read;
}

bool WriteCurveCsv(std::ostream& out, const AccuracyResult& result) {
    out << "Angle, deg;Error, deg\n";
    for (size_t i = 0; i < result.curveDegrees.size(); ++i)
        out << Fixed(result.curveDegrees[i], 3) << ';' << Fixed(result.curveError[i], 5) << '\n';
    return static_cast<bool>(out);
}

bool WriteHarmonicsCsv(std::ostream& out, const AccuracyResult& result) {
    out << "Harmonic;Amplitude, deg;Phase, deg\n";
    for (size_t k = 1; k <= result.harmonics.size(); ++k) {
        const Harmonic& h = result.harmonics[k - 1];
        out << k << ';' << Fixed(h.amplitude, 5) << ';' << Fixed(h.phase, 2) << '\n';
    }
    return static_cast<bool>(out);
}

bool WriteReadingsCsv(std::ostream& out, const std::vector<TimedAngle>& readings,
                      const AccuracyResult* result) {
    out << "Time, s;Angle, deg;Reference, deg;Error, deg\n";
    const size_t used = result != nullptr ? result->errorDegrees.size() : 0;
    for (size_t i = 0; i < readings.size() && out; ++i) {
        out << Fixed(readings[i].seconds, 6) << ';' << Fixed(readings[i].degrees, 4);
        if (i < used) {
            out << ';' << Fixed(result->referenceDegrees[i], 4) << ';'
                << Fixed(result->errorDegrees[i], 5);
        } else {
            out << ";;";
        }
        out << '\n';
    }
    return static_cast<bool>(out);
}

}  // namespace app

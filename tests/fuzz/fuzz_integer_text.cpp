// The integer-text parser against a model of its syntax written independently of it: a
// regular expression for the form, digit-string comparison for the range, the standard
// library's conversions for the value.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>

#include "app/config/integer_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string WithoutLeadingZeros(const std::string& digits) {
    const size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

// True when the decimal digit string is at most the limit's digit string.
bool AtMost(const std::string& digits, const std::string& limit) {
    const std::string d = WithoutLeadingZeros(digits);
    return d.size() != limit.size() ? d.size() < limit.size() : d <= limit;
}

std::optional<int32_t> Model(const std::string& text) {
    static const std::regex syntax("^ *([+-]?)(?:([0-9]+)|(?:\\$|0x|0X|x|X)([0-9A-Fa-f]+))$");
    std::smatch match;
    if (!std::regex_match(text, match, syntax)) return std::nullopt;
    const bool negative = match[1].str() == "-";
    if (match[2].matched) {
        const std::string digits = match[2].str();
        if (!AtMost(digits, negative ? "2147483648" : "2147483647")) return std::nullopt;
        const long long magnitude = std::stoll(WithoutLeadingZeros(digits));
        return static_cast<int32_t>(negative ? -magnitude : magnitude);
    }
    const std::string digits = WithoutLeadingZeros(match[3].str());
    if (digits.size() > 8) return std::nullopt;
    // A 32-bit pattern; a minus sign negates the pattern modulo 2^32.
    uint32_t pattern = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
    if (negative) pattern = 0u - pattern;
    return static_cast<int32_t>(pattern);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256) return 0;  // the model's regular expression is slow on long texts
    const std::string text(reinterpret_cast<const char*>(data), size);
    // A regular expression cannot see past an embedded NUL in every library; such a text is
    // never an integer, and the parser must say so too.
    const std::optional<int32_t> expected =
        text.find('\0') == std::string::npos ? Model(text) : std::nullopt;
    const std::optional<int32_t> actual = app::ParseIntegerText(text);
    QX_FUZZ_CHECK(actual.has_value() == expected.has_value());
    if (expected) QX_FUZZ_CHECK(*actual == *expected);

    // The lenient and the strict form agree with the parser.
    QX_FUZZ_CHECK(app::IntegerTextOr(text, 12345) == (actual ? *actual : 12345));
    bool threw = false;
    try {
        QX_FUZZ_CHECK(app::IntegerText(text) == *actual);
    } catch (const app::InvalidIntegerText& error) {
        threw = true;
        if (text.find('\0') == std::string::npos) {
            QX_FUZZ_CHECK(std::string(error.what()) ==
                          "''" + text + "'' is not a valid integer value");
        }
    }
    QX_FUZZ_CHECK(threw == !actual.has_value());
    return 0;
}

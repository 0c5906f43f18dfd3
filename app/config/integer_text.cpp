#include "app/config/integer_text.h"

namespace app {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<int32_t> ParseIntegerText(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    size_t digits = 0;
    bool hex = false;
    if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
        hex = true;
        digits = 1;
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        hex = true;
        digits = 2;
    }
    const std::string_view body = rest.substr(digits);
    if (body.empty()) return std::nullopt;

    uint64_t value = 0;
    if (hex) {
        // The value is taken as a 32-bit pattern: $FFFFFFFF is -1.
        for (char c : body) {
            const int digit = HexDigit(c);
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<uint64_t>(digit);
            if (value > 0xFFFFFFFFull) return std::nullopt;
        }
        uint32_t pattern = static_cast<uint32_t>(value);
        if (negative) pattern = 0u - pattern;
        return static_cast<int32_t>(pattern);
    }
    const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    for (char c : body) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > limit) return std::nullopt;
    }
    const int64_t signedValue =
        negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return static_cast<int32_t>(signedValue);
}

int32_t IntegerTextOr(std::string_view text, int32_t fallback) {
    return ParseIntegerText(text).value_or(fallback);
}

InvalidIntegerText::InvalidIntegerText(const std::string& text)
    : std::invalid_argument("''" + text + "'' is not a valid integer value") {}

int32_t IntegerText(std::string_view text) {
    if (const std::optional<int32_t> number = ParseIntegerText(text)) return *number;
    throw InvalidIntegerText(std::string(text));
}

}  // namespace app

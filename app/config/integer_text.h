// Integer text as typed into an edit box: leading spaces, an optional sign, then decimal
// digits (fitting a signed 32-bit integer) or hexadecimal digits after "$", "x", "X", "0x" or
// "0X" (fitting 32 bits, taken as the bit pattern). Nothing may follow. One parser, two faces.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace app {

/// The number, or nullopt when the text is not an integer.
std::optional<int32_t> ParseIntegerText(std::string_view text);

/// Lenient form: the number, or fallback for any other text.
int32_t IntegerTextOr(std::string_view text, int32_t fallback);

/// The text is not an integer. what() is "''<text>'' is not a valid integer value".
class InvalidIntegerText : public std::invalid_argument {
  public:
    explicit InvalidIntegerText(const std::string& text);
};

/// Strict form: the number, or throws InvalidIntegerText.
int32_t IntegerText(std::string_view text);

}  // namespace app

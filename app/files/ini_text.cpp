#include "app/files/ini_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>

namespace app {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The code points of Windows-1251 bytes 0x80-0xFF.
constexpr std::array<char16_t, 128> kWindows1251High{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98 (undefined)
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 0xC0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 0xC8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 0xD0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 0xD8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // 0xE0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // 0xE8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // 0xF0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // 0xF8
};

void AppendUtf8(std::string& out, char16_t codePoint) {
    if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
}

// The length of the well-formed UTF-8 sequence at bytes[i] (no overlong forms, no surrogates,
// nothing past U+10FFFF); 0 when none starts there.
size_t SequenceLength(std::string_view bytes, size_t i) {
    const auto lead = static_cast<uint8_t>(bytes[i]);
    if (lead < 0x80) return 1;
    size_t continuation = 0;
    uint8_t low = 0x80;  // the range of the first continuation byte
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuation = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuation = 2;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuation = 3;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() - i <= continuation) return 0;
    for (size_t k = 1; k <= continuation; ++k) {
        const auto next = static_cast<uint8_t>(bytes[i + k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return 0;
    }
    return continuation + 1;
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
    if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        bytes.remove_prefix(kUtf8ByteOrderMark.size());
    }
    return bytes;
}

// Valid bytes as they are, each byte that starts no well-formed sequence as U+FFFD.
std::string Utf8WithReplacement(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = SequenceLength(bytes, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

IniEncoding DetectIniEncoding(std::string_view bytes) {
    bytes = WithoutByteOrderMark(bytes);
    size_t valid = 0;    // well-formed multi-byte sequences
    size_t invalid = 0;  // bytes that start none
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            ++invalid;
            ++i;
        } else {
            if (length > 1) ++valid;
            i += length;
        }
    }
    // Windows-1251 letters almost never pair up into UTF-8 sequences, while a UTF-8 file that
    // an editor or a copy damaged keeps nearly all of its own.
    return invalid == 0 || valid >= 4 * invalid ? IniEncoding::Utf8 : IniEncoding::Windows1251;
}

std::string Windows1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            AppendUtf8(out, kWindows1251High[byte - 0x80]);
        }
    }
    return out;
}

std::optional<std::string> Utf8ToWindows1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = SequenceLength(text, i);
        if (length == 1) {
            out += text[i++];
            continue;
        }
        if (length != 2 && length != 3) return std::nullopt;
        const auto lead = static_cast<uint8_t>(text[i]);
        char32_t codePoint = lead & (length == 2 ? 0x1F : 0x0F);
        for (size_t k = 1; k < length; ++k) {
            codePoint = (codePoint << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
        }
        const auto found = codePoint == 0xFFFD ? kWindows1251High.end()
                                               : std::find(kWindows1251High.begin(),
                                                           kWindows1251High.end(), codePoint);
        if (found == kWindows1251High.end()) return std::nullopt;
        out += static_cast<char>(0x80 + (found - kWindows1251High.begin()));
        i += length;
    }
    return out;
}

std::string IniTextAsUtf8(std::string_view bytes) {
    const std::string_view text = WithoutByteOrderMark(bytes);
    const std::string_view mark = bytes.substr(0, bytes.size() - text.size());
    if (DetectIniEncoding(bytes) == IniEncoding::Windows1251) {
        return std::string(mark) + Windows1251ToUtf8(text);
    }
    if (IsUtf8(text)) return std::string(bytes);
    return std::string(mark) + Utf8WithReplacement(text);
}

std::optional<std::string> ReadIniFile(const std::filesystem::path& path, std::uintmax_t maxBytes) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > maxBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string data;
    try {
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return std::nullopt;
    }
    if (in.bad()) return std::nullopt;
    return IniTextAsUtf8(data);
}

}  // namespace app

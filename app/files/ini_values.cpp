#include "app/files/ini_values.h"

#include <algorithm>

namespace app {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// SimpleIni's blanks include the line ends: its parser skips them between entries.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

enum class PieceKind { Section, Key, Other };

// One entry of the text as SimpleIni's parser meets it: a section line, a key line, or a line
// it passes over (comment, line without '=', section line without ']').
struct Piece {
    PieceKind kind = PieceKind::Other;
    size_t start = 0;       // its first character
    size_t end = 0;         // where its last line ends: a line end character or the end of the text
    std::string_view name;  // of the section or the key
    size_t valueBegin = 0;
    size_t valueEnd = 0;
    // A '[' followed by nothing but blanks up to the end of the text. SimpleIni skips line
    // ends after '[', so a line added after it would become its section name.
    bool open = false;
};

struct ScannedText {
    size_t begin = 0;  // after the byte-order mark
    size_t end = 0;    // the first NUL byte, or the end
    std::vector<Piece> pieces;
};

// Follows SimpleIni 4.19's parser (CSimpleIniTempl::FindEntry) step by step, so that what the
// text holds is what the other readers of INI files in the tool see.
ScannedText Scan(std::string_view text) {
    ScannedText scan;
    scan.begin =
        text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
    scan.end = std::min(text.find('\0', scan.begin), text.size());
    const size_t n = scan.end;
    size_t p = scan.begin;
    auto toLineEnd = [&] {
        while (p < n && !IsLineEnd(text[p])) ++p;
    };
    auto trimmedEnd = [&](size_t from, size_t to) {
        while (to > from && IsBlank(text[to - 1])) --to;
        return to;
    };
    for (;;) {
        while (p < n && IsBlank(text[p])) ++p;
        if (p >= n) break;
        Piece piece;
        piece.start = p;
        if (text[p] == ';' || text[p] == '#') {
            toLineEnd();
        } else if (text[p] == '[') {
            ++p;
            while (p < n && IsBlank(text[p])) ++p;
            piece.open = p >= n;
            const size_t nameBegin = p;
            while (p < n && text[p] != ']' && !IsLineEnd(text[p])) ++p;
            if (p < n && text[p] == ']') {
                piece.kind = PieceKind::Section;
                piece.name = text.substr(nameBegin, trimmedEnd(nameBegin, p) - nameBegin);
                toLineEnd();
            }
        } else {
            while (p < n && text[p] != '=' && !IsLineEnd(text[p])) ++p;
            if (p < n && text[p] == '=' && p > piece.start) {
                piece.kind = PieceKind::Key;
                piece.name = text.substr(piece.start, trimmedEnd(piece.start, p) - piece.start);
                ++p;
                while (p < n && (text[p] == ' ' || text[p] == '\t')) ++p;
                piece.valueBegin = p;
                toLineEnd();
                piece.valueEnd = trimmedEnd(piece.valueBegin, p);
            } else {
                toLineEnd();  // no key: the line is passed over
            }
        }
        piece.end = p;
        scan.pieces.push_back(piece);
    }
    return scan;
}

// The key line FindIniValue reads, or nullptr.
const Piece* FirstKey(const ScannedText& scan, std::string_view section, std::string_view key) {
    std::string_view current;  // keys before the first section line belong to ""
    for (const Piece& piece : scan.pieces) {
        if (piece.kind == PieceKind::Section) {
            current = piece.name;
        } else if (piece.kind == PieceKind::Key && SameName(current, section) &&
                   SameName(piece.name, key)) {
            return &piece;
        }
    }
    return nullptr;
}

// The line end of the text's first line, or fallback when it has none.
std::string_view LineEndOf(std::string_view text, const ScannedText& scan,
                           std::string_view fallback) {
    for (size_t i = scan.begin; i < scan.end; ++i) {
        if (text[i] == '\n') return "\n";
        if (text[i] == '\r') return i + 1 < scan.end && text[i + 1] == '\n' ? "\r\n" : "\r";
    }
    return fallback;
}

// The position right after the line end at position at (CR LF counts as one).
size_t AfterLineEnd(std::string_view text, size_t at) {
    return at + (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1);
}

// The start of the line that holds position at.
size_t LineStart(std::string_view text, size_t begin, size_t at) {
    while (at > begin && !IsLineEnd(text[at - 1])) --at;
    return at;
}

// Where lines added to the text go: after the last piece of the first section of that name,
// else at the end of the text; never after a '[' that would take them in.
size_t InsertionPoint(std::string_view text, const ScannedText& scan, std::string_view section,
                      bool& sectionFound) {
    const std::vector<Piece>& pieces = scan.pieces;
    size_t last = pieces.size();
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].kind == PieceKind::Section && SameName(pieces[i].name, section)) {
            last = i;
            while (last + 1 < pieces.size() && pieces[last + 1].kind != PieceKind::Section) {
                ++last;
            }
            break;
        }
    }
    sectionFound = last < pieces.size();
    if (!sectionFound) {
        if (!pieces.empty() && pieces.back().open) {
            return LineStart(text, scan.begin, pieces.back().start);
        }
        return scan.end;
    }
    const Piece& piece = pieces[last];
    if (piece.open) return LineStart(text, scan.begin, piece.start);
    return piece.end < scan.end ? AfterLineEnd(text, piece.end) : piece.end;
}

struct Edit {
    size_t begin;
    size_t end;
    std::string text;
    int order;  // a value replaced before lines inserted at the same place
};

}  // namespace

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view key) {
    const ScannedText scan = Scan(text);
    const Piece* piece = FirstKey(scan, section, key);
    if (piece == nullptr) return std::nullopt;
    return std::string(text.substr(piece->valueBegin, piece->valueEnd - piece->valueBegin));
}

std::string SetIniValues(std::string_view text, std::string_view section,
                         const std::vector<IniValue>& values, std::string_view newLine) {
    const ScannedText scan = Scan(text);
    const std::string_view lineEnd = LineEndOf(text, scan, newLine);
    std::vector<Edit> edits;
    std::string added;
    for (auto value = values.begin(); value != values.end(); ++value) {
        const auto sameKey = [&](const IniValue& other) { return SameName(other.key, value->key); };
        if (std::any_of(values.begin(), value, sameKey)) continue;  // given twice: the first counts
        if (const Piece* piece = FirstKey(scan, section, value->key)) {
            edits.push_back({piece->valueBegin, piece->valueEnd, value->value, 0});
        } else {
            added.append(value->key).append("=").append(value->value).append(lineEnd);
        }
    }
    if (!added.empty()) {
        bool sectionFound = false;
        const size_t at = InsertionPoint(text, scan, section, sectionFound);
        std::string lines;
        if (at > scan.begin && !IsLineEnd(text[at - 1])) lines.append(lineEnd);
        if (!sectionFound) lines.append("[").append(section).append("]").append(lineEnd);
        lines += added;
        edits.push_back({at, at, std::move(lines), 1});
    }
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.order < b.order;
    });
    std::string out;
    out.reserve(text.size() + 256);
    size_t copied = 0;
    for (const Edit& edit : edits) {
        out.append(text.substr(copied, edit.begin - copied));
        out += edit.text;
        copied = edit.end;
    }
    out.append(text.substr(copied));
    return out;
}

}  // namespace app

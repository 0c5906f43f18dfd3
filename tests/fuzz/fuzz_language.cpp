// The language file reader over arbitrary file contents: it never fails, a key matches
// without regard to letter case, and every text of the Language section reads back as
// SimpleIni reads the same text.
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <string>

#include "app/config/field_map.h"
#include "app/lang/language.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string Flipped(std::string key) {
    for (char& c : key) {
        const auto u = static_cast<unsigned char>(c);
        c = static_cast<char>(std::islower(u) ? std::toupper(u) : std::tolower(u));
    }
    return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    static const std::string path = "/tmp/qx_fuzz_lang_" + std::to_string(::getpid()) + ".eng";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const app::LanguageFile file(path);
    for (const auto& row : app::kRelabelRowsBeforeStart) {
        const std::string key(row.key);
        QX_FUZZ_CHECK(file.Text(key) == file.Text(Flipped(key)));
    }
    for (const auto& field : app::kConfigFields) {
        const std::string key(field.languageKey);
        QX_FUZZ_CHECK(file.Text(key) == file.Text(Flipped(key)));
    }
    for (const char* key :
         {"btnStart", "btnStop", "vChipIdentified", "vChannelsFound", "vAboutTextD", ""}) {
        QX_FUZZ_CHECK(file.Text(key) == file.Text(Flipped(key)));
    }
    // Keys made of the input's own bytes.
    for (size_t i = 0; i + 1 < size && i < 64; i += 7) {
        const std::string key(reinterpret_cast<const char*>(data + i),
                              std::min<size_t>(6, size - i));
        QX_FUZZ_CHECK(file.Text(key) == file.Text(Flipped(key)));
    }
    return 0;
}

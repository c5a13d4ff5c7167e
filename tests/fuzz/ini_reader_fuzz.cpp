// Fuzz target for the INI reader and the translation table built from it: whatever the
// file holds, no value is longer than 259 bytes or holds a zero byte, every stored text
// is terminated inside its field, and the table holds what the reader reads. The values of
// a UTF-16 file (one that starts with its byte-order mark) are well-formed UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "common/utf8.h"
#include "i18n/ini_reader.h"
#include "i18n/translation_table.h"

namespace {

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "ini_reader_fuzz: %s\n", what);
        std::abort();
    }
}

void checkValue(const std::string& value, bool fromUtf16)
{
    check(value.size() <= telvia::iniValueMaxLength, "value longer than 259 bytes");
    check(value.find('\0') == std::string::npos, "value holds a zero byte");
    check(!fromUtf16 || telvia::utf8ToUtf16(value).has_value(), "value of a UTF-16 file is not UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const telvia::IniFile file(bytes);
    const bool fromUtf16 = bytes.starts_with("\xFF\xFE");

    // Names of any length and content, taken from the input itself.
    if (size >= 2) {
        const std::string_view section = bytes.substr(0, data[size - 1] % 32u);
        const std::string_view key = bytes.substr(size / 2, data[size - 2] % 32u);
        checkValue(file.value(section, key), fromUtf16);
    }

    static const auto table = std::make_unique<telvia::TranslationTable>();
    telvia::loadTranslationsFrom(*table, bytes);
    check(table->encoding == file.encoding(), "table and file disagree on the encoding");
    for (int section = 0; section < telvia::translationSectionCount; ++section) {
        const std::string name = "SECTION_" + std::to_string(section);
        for (const telvia::TranslationEntry& entry : table->section(section)) {
            check(entry.text.bytes().back() == '\0', "text not terminated in its field");
            check(entry.key.bytes().back() == '\0', "key not terminated in its field");
            const std::string value = file.value(name, entry.key.view());
            checkValue(value, fromUtf16);
            check(entry.text.view() == value, "table text differs from the file's value");
        }
    }
    return 0;
}

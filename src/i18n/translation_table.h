// Texts of the translation file that replace menu, dialog and status texts.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "i18n/ini_reader.h"
#include "platform/file_port.h"
#include "platform/text_ports.h"

namespace telvia {

// The file, relative to the current directory.
inline constexpr std::u16string_view translationFileName = u".\\translation.ini";
// More than any translation needs; a longer file is read up to here and the rest ignored.
inline constexpr std::size_t translationFileReadLimit = 1024 * 1024;

// Sections of the file, "SECTION_0" to "SECTION_5".
inline constexpr int editChannelsTexts = 0;
inline constexpr int channelFormTexts = 1;
inline constexpr int commonTexts = 2;  // list column headers and status words, looked up only
inline constexpr int saveChannelsTexts = 3;
inline constexpr int loadChannelsTexts = 4;
inline constexpr int mainMenuTexts = 5;
inline constexpr int translationSectionCount = 6;
inline constexpr std::size_t translationSlotsPerSection = 100;

// Entry ids with a meaning of their own: the dialog's title, and a text that is only
// looked up. In the menu section ids below this are positions of the top-level pop-ups.
inline constexpr std::int32_t dialogTitleId = 0;
inline constexpr std::int32_t lookUpOnlyId = -1;
inline constexpr std::int32_t firstMenuCommandId = 100;

// A zero-terminated 8-bit text of fixed width (terminator included); assignment cuts.
template <std::size_t Width>
class FixedBytes {
    static_assert(Width >= 1);

public:
    static constexpr std::size_t maxLength = Width - 1;

    void assign(std::string_view text)
    {
        const std::size_t length = std::min(text.size(), maxLength);
        std::copy_n(text.begin(), length, bytes_.begin());
        std::fill(bytes_.begin() + static_cast<std::ptrdiff_t>(length), bytes_.end(), '\0');
    }

    [[nodiscard]] std::string_view view() const
    {
        const auto end = std::find(bytes_.begin(), bytes_.end(), '\0');
        return {bytes_.data(), static_cast<std::size_t>(end - bytes_.begin())};
    }

    [[nodiscard]] bool empty() const { return bytes_[0] == '\0'; }

    // The raw field, terminator and all.
    [[nodiscard]] const std::array<char, Width>& bytes() const { return bytes_; }

private:
    std::array<char, Width> bytes_{};
};

struct TranslationEntry {
    // What the text replaces: a control id, dialogTitleId or lookUpOnlyId in a dialog
    // section; a command id or a pop-up position in the menu section; 0 in commonTexts.
    std::int32_t id = 0;
    FixedBytes<260> key;
    FixedBytes<260> text;  // empty: not translated
};

// Filled once at process entry and read-only afterwards. About 310 KB: keep it static or
// on the heap, not on a stack.
struct TranslationTable {
    std::array<std::array<TranslationEntry, translationSlotsPerSection>, translationSectionCount>
        entries{};
    std::array<std::int32_t, translationSectionCount> counts{};
    // Of every text in the table: the file had a UTF-8 byte-order mark, or not.
    TextEncoding encoding = TextEncoding::ansi;

    // The loaded entries of a section; none for a section number out of range.
    [[nodiscard]] std::span<const TranslationEntry> section(int number) const;
};

// A text with the code page it is in.
struct TranslatedText {
    std::string_view text;
    TextEncoding encoding = TextEncoding::ansi;
};

// Reads ".\translation.ini" (at most translationFileReadLimit bytes) and fills the table
// in the fixed load order; a missing or unreadable file gives empty texts.
void loadTranslations(TranslationTable& table, FilePort& files);
// The same from the file's bytes.
void loadTranslationsFrom(TranslationTable& table, std::string_view fileBytes);

// Appends one entry to the section with its text read from the file.
void addTranslation(TranslationTable& table, const IniFile& file, int section, std::int32_t id,
                    std::string_view key);

// The first non-empty text of the section under that key (case-sensitive), or the
// fallback. The result stays valid as long as the table and the fallback do. The
// program's fallbacks are ASCII, which reads the same in either encoding.
[[nodiscard]] TranslatedText lookupText(const TranslationTable& table, int section,
                                        std::string_view key, std::string_view fallback);

// lookupText converted to UTF-16, for texts shown in UTF-16 windows (the status words of
// the title).
[[nodiscard]] std::u16string lookupTextUtf16(const TranslationTable& table,
                                             TextConversionPort& conversion, int section,
                                             std::string_view key, std::string_view fallback);

}  // namespace telvia

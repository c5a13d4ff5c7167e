// A reader for the few things the program asks of an INI file: one value by section and
// key, read the way the system's profile functions read it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_ports.h"

namespace telvia {

// The longest value handed out: a buffer of 260 bytes, terminator included.
inline constexpr std::size_t iniValueMaxLength = 259;

// The sections and keys of an INI file, indexed once; the bytes must outlive it.
//
// - Lines end with LF, CRLF or CR. Blanks (spaces and tabs) around a line, around the
//   name inside "[ ]", around a key name and around a value are dropped.
// - Section and key names match with ASCII letters compared without regard to case.
// - Only the first section of a name is searched, and in it the first line of the key.
// - A line without '=' holds no key. There are no comments of their own: a line such as
//   ";KEY=x" names the key ";KEY", which nobody asks for.
// - One pair of enclosing quotes (both " or both ') is removed from a value of two or
//   more characters; what is inside them is kept as it is.
// - A value ends at a zero byte and is cut to iniValueMaxLength bytes.
// - A UTF-8 byte-order mark at the start is skipped and marks the texts as UTF-8;
//   otherwise they are in the ANSI code page.
// - A UTF-16LE byte-order mark at the start (a file saved as "Unicode") makes the rest
//   UTF-16LE: it is read as its UTF-8 conversion by the same rules, and the texts are UTF-8.
//   A surrogate without its partner becomes U+FFFD; an odd last byte is left out.
class IniFile {
public:
    explicit IniFile(std::string_view bytes);
    // The index points into the bytes or into the file's own conversion of them.
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    [[nodiscard]] TextEncoding encoding() const { return encoding_; }

    // The value, or the empty text when the section, the key or the value is missing.
    [[nodiscard]] std::string value(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        std::string_view key;    // trimmed
        std::string_view value;  // as it stands after '=', line blanks trimmed
    };
    struct Section {
        std::string_view name;  // trimmed
        std::vector<Entry> entries;
    };

    std::string converted_;          // the UTF-8 text of a UTF-16 file
    std::vector<Section> sections_;  // in file order
    TextEncoding encoding_ = TextEncoding::ansi;
};

}  // namespace telvia

// Reading text that the user copied.
#pragma once

#include <cstddef>
#include <string>

namespace telvia {

class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;

    // The clipboard's UTF-16 text up to its terminator, at most maxLength units of it.
    // Empty when the clipboard holds no text or another program holds it open.
    [[nodiscard]] virtual std::u16string text(std::size_t maxLength) = 0;
};

}  // namespace telvia

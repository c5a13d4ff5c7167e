// The user's order of texts, for lists the user reads.
#pragma once

#include <string_view>

namespace telvia {

class CollationPort {
public:
    virtual ~CollationPort() = default;

    // Negative, zero or positive as a sorts before, with or after b in the user's locale,
    // case-sensitively.
    [[nodiscard]] virtual int compare(std::u16string_view a, std::u16string_view b) = 0;
};

}  // namespace telvia

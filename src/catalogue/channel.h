// One catalogue entry: the 3132-byte record of the catalogue and of channel files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "catalogue/fixed_text.h"

namespace telvia {

struct Channel {
    std::int32_t on = 0;       // non-zero: listed in the channels menu and visited by stepping
    FixedText<260> name;
    FixedText<520> note;
    FixedText<4> country;      // empty marks a free slot
    FixedText<520> address;
    FixedText<260> homePage;

    friend bool operator==(const Channel&, const Channel&) = default;
};

// The byte image is the file format; these must never move.
inline constexpr std::size_t channelRecordSize = 3132;
static_assert(sizeof(Channel) == channelRecordSize);
static_assert(offsetof(Channel, on) == 0);
static_assert(offsetof(Channel, name) == 4);
static_assert(offsetof(Channel, note) == 524);
static_assert(offsetof(Channel, country) == 1564);
static_assert(offsetof(Channel, address) == 1572);
static_assert(offsetof(Channel, homePage) == 2612);

}  // namespace telvia

// A zero-terminated UTF-16 text field of fixed width, as stored in channel records.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace telvia {

// Width counts the terminator, so the field holds at most Width - 1 characters.
// Every write goes through a cutting copy and every read stops at the first zero
// unit or at the width, so neither a long producer nor a field without a
// terminator (from a file or the registry) can carry a copy past the field.
template <std::size_t Width>
class FixedText {
    static_assert(Width >= 1);

public:
    static constexpr std::size_t width = Width;
    static constexpr std::size_t maxLength = Width - 1;

    constexpr FixedText() = default;
    explicit constexpr FixedText(std::u16string_view text) { assign(text); }

    // Copies at most maxLength units of the text and terminates it; the rest of
    // the field is cleared so that records compare and serialise predictably.
    constexpr void assign(std::u16string_view text)
    {
        const std::size_t length = std::min(text.size(), maxLength);
        std::copy_n(text.begin(), length, units_.begin());
        std::fill(units_.begin() + static_cast<std::ptrdiff_t>(length), units_.end(), u'\0');
    }

    constexpr FixedText& operator=(std::u16string_view text)
    {
        assign(text);
        return *this;
    }

    // The text up to its terminator; a field that lacks one ends at its width.
    [[nodiscard]] constexpr std::u16string_view view() const
    {
        const auto end = std::find(units_.begin(), units_.end(), u'\0');
        return {units_.data(), static_cast<std::size_t>(end - units_.begin())};
    }

    [[nodiscard]] constexpr bool empty() const { return units_[0] == u'\0'; }
    constexpr void clear() { units_.fill(u'\0'); }

    // The raw units, for encoders that write the whole field.
    [[nodiscard]] constexpr const std::array<char16_t, Width>& units() const { return units_; }

    friend constexpr bool operator==(const FixedText& a, const FixedText& b)
    {
        return a.view() == b.view();
    }
    friend constexpr bool operator==(const FixedText& a, std::u16string_view b)
    {
        return a.view() == b;
    }

private:
    std::array<char16_t, Width> units_{};
};

}  // namespace telvia

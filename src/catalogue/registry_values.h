// Typed values of the settings and catalogue keys, read and written with the rules both
// keys share.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "catalogue/fixed_text.h"
#include "platform/registry_port.h"

namespace telvia {

// The number of a value that is REG_DWORD with 4 bytes; nothing for anything else.
[[nodiscard]] std::optional<std::uint32_t> readNumberValue(RegistryKey& key,
                                                           std::u16string_view name);

// The text that a string query left in its buffer, when the value is REG_SZ, was handed
// over whole and is not empty. The text ends at its first zero unit or at the last whole
// unit copied, whichever comes first, so a value without terminator never reads past
// what the registry copied.
[[nodiscard]] std::optional<std::u16string_view> acceptedText(const RegistryAnswer& answer,
                                                              std::span<const char16_t> buffer);

// Queries a string value into a buffer of the field's width and, when it is accepted,
// copies it into the field (cut to the field); otherwise the field keeps its value.
template <std::size_t Width>
bool readTextValue(RegistryKey& key, std::u16string_view name, FixedText<Width>& field)
{
    std::array<char16_t, Width> buffer{};
    const std::optional<std::u16string_view> text =
        acceptedText(key.queryString(name, buffer), buffer);
    if (!text) {
        return false;
    }
    field = *text;
    return true;
}

// Stores the field as REG_SZ: the text and its terminator, (length + 1) × 2 bytes, so an
// empty field is the terminator alone.
template <std::size_t Width>
[[nodiscard]] RegistryResult writeTextValue(RegistryKey& key, std::u16string_view name, const FixedText<Width>& field)
{
    const std::size_t units = std::min(field.view().size() + 1, Width);
    return key.setString(name, std::span<const char16_t>(field.units()).first(units));
}

}  // namespace telvia

#include "catalogue/registry_values.h"

namespace telvia {

std::optional<std::uint32_t> readNumberValue(RegistryKey& key, std::u16string_view name)
{
    std::uint32_t number = 0;
    const RegistryAnswer answer = key.queryNumber(name, number);
    // A shorter REG_DWORD would leave part of the number undefined: it counts as missing.
    if (answer.result != RegistryResult::success || answer.type != RegistryType::number ||
        answer.byteCount != sizeof number) {
        return std::nullopt;
    }
    return number;
}

std::optional<std::u16string_view> acceptedText(const RegistryAnswer& answer,
                                                std::span<const char16_t> buffer)
{
    if (answer.result != RegistryResult::success || answer.type != RegistryType::string) {
        return std::nullopt;
    }
    // An odd byte count leaves half a unit at the end, which is not part of the text.
    const std::size_t copied = std::min<std::size_t>(answer.byteCount / 2, buffer.size());
    std::u16string_view text(buffer.data(), copied);
    if (const std::size_t terminator = text.find(u'\0'); terminator != std::u16string_view::npos) {
        text = text.substr(0, terminator);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    return text;
}

}  // namespace telvia

#include "catalogue/channel_codec.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace telvia {

namespace {

void putUnit(std::byte* out, std::uint16_t value)
{
    out[0] = static_cast<std::byte>(value & 0xFFu);
    out[1] = static_cast<std::byte>(value >> 8);
}

std::uint16_t getUnit(const std::byte* in)
{
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(in[0]) |
                                      (std::to_integer<unsigned>(in[1]) << 8));
}

template <std::size_t Width>
void putText(RecordBytes out, std::size_t offset, const FixedText<Width>& text)
{
    std::byte* field = out.data() + offset;
    for (const char16_t unit : text.units()) {
        putUnit(field, unit);
        field += 2;
    }
}

template <std::size_t Width>
void getText(ConstRecordBytes in, std::size_t offset, FixedText<Width>& text)
{
    std::array<char16_t, Width> units;
    const std::byte* field = in.data() + offset;
    for (char16_t& unit : units) {
        unit = static_cast<char16_t>(getUnit(field));
        field += 2;
    }
    // The view stops at the width when there is no terminator; assigning cuts it to the field.
    std::u16string_view view(units.data(), units.size());
    if (const std::size_t end = view.find(u'\0'); end != std::u16string_view::npos) {
        view = view.substr(0, end);
    }
    text = view;
}

static_assert(recordNameOffset == recordOnOffset + 4);
static_assert(recordNoteOffset == recordNameOffset + 2 * decltype(Channel::name)::width);
static_assert(recordCountryOffset == recordNoteOffset + 2 * decltype(Channel::note)::width);
static_assert(recordAddressOffset == recordCountryOffset + 2 * decltype(Channel::country)::width);
static_assert(recordHomePageOffset == recordAddressOffset + 2 * decltype(Channel::address)::width);
static_assert(channelRecordSize == recordHomePageOffset + 2 * decltype(Channel::homePage)::width);

}  // namespace

void encodeChannel(const Channel& channel, RecordBytes out)
{
    const auto on = static_cast<std::uint32_t>(channel.on);
    putUnit(out.data() + recordOnOffset, static_cast<std::uint16_t>(on & 0xFFFFu));
    putUnit(out.data() + recordOnOffset + 2, static_cast<std::uint16_t>(on >> 16));
    putText(out, recordNameOffset, channel.name);
    putText(out, recordNoteOffset, channel.note);
    putText(out, recordCountryOffset, channel.country);
    putText(out, recordAddressOffset, channel.address);
    putText(out, recordHomePageOffset, channel.homePage);
}

Channel decodeChannel(ConstRecordBytes in)
{
    Channel channel;
    const std::uint32_t on = getUnit(in.data() + recordOnOffset) |
                             (std::uint32_t{getUnit(in.data() + recordOnOffset + 2)} << 16);
    channel.on = static_cast<std::int32_t>(on);
    getText(in, recordNameOffset, channel.name);
    getText(in, recordNoteOffset, channel.note);
    getText(in, recordCountryOffset, channel.country);
    getText(in, recordAddressOffset, channel.address);
    getText(in, recordHomePageOffset, channel.homePage);
    return channel;
}

}  // namespace telvia

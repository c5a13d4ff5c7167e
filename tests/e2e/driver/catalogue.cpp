#include "driver/catalogue.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "driver/driver_error.h"
#include "driver/text.h"
#include "driver/win32.h"

namespace telvia::e2e {

namespace {

struct TextField {
    std::wstring ChannelFields::*member;
    std::size_t offset;
    std::size_t units;
};

constexpr TextField textFields[] = {
    {&ChannelFields::name, 4, 260},
    {&ChannelFields::note, 524, 520},
    {&ChannelFields::country, 1564, 4},
    {&ChannelFields::address, 1572, 520},
    {&ChannelFields::homePage, 2612, 260},
};

void putUnit(std::string& bytes, std::size_t offset, std::uint16_t unit)
{
    bytes[offset] = static_cast<char>(unit & 0xFFu);
    bytes[offset + 1] = static_cast<char>(unit >> 8);
}

}  // namespace

ChannelFields sampleChannel(std::wstring country, const std::wstring& name, std::uint32_t on)
{
    ChannelFields fields;
    fields.on = on;
    fields.country = std::move(country);
    fields.name = name;
    fields.note = L"note of " + name;
    fields.address = L"mms://streams.example/" + name;
    fields.homePage = L"http://" + name + L".example/";
    return fields;
}

std::string encodeChannelFile(std::span<const ChannelFields> channels, wchar_t filler)
{
    std::string bytes(channels.size() * channelRecordBytes, '\0');
    for (std::size_t record = 0; record < channels.size(); ++record) {
        const ChannelFields& channel = channels[record];
        const std::size_t base = record * channelRecordBytes;
        for (std::size_t i = 0; i < 4; ++i) {
            bytes[base + i] = static_cast<char>((channel.on >> (8 * i)) & 0xFFu);
        }
        for (const TextField& field : textFields) {
            const std::wstring& text = channel.*field.member;
            if (text.size() >= field.units) {
                throw DriverError("the text \"" + toUtf8(text) + "\" does not fit its channel field");
            }
            for (std::size_t unit = 0; unit < field.units; ++unit) {
                const wchar_t value = unit < text.size() ? text[unit] : unit == text.size() ? L'\0' : filler;
                putUnit(bytes, base + field.offset + unit * 2, static_cast<std::uint16_t>(value));
            }
        }
    }
    return bytes;
}

std::vector<ChannelFields> decodeChannelFile(std::string_view bytes)
{
    if (bytes.size() % channelRecordBytes != 0) {
        throw DriverError("a channel file of " + std::to_string(bytes.size()) + " bytes");
    }
    const auto unitAt = [&bytes](std::size_t offset) {
        return static_cast<wchar_t>(static_cast<unsigned char>(bytes[offset]) |
                                    static_cast<unsigned char>(bytes[offset + 1]) << 8);
    };
    std::vector<ChannelFields> channels;
    for (std::size_t base = 0; base < bytes.size(); base += channelRecordBytes) {
        ChannelFields channel;
        for (std::size_t i = 0; i < 4; ++i) {
            channel.on |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[base + i])) << (8 * i);
        }
        for (const TextField& field : textFields) {
            std::wstring& text = channel.*field.member;
            std::size_t unit = 0;
            for (; unit < field.units && unitAt(base + field.offset + unit * 2) != L'\0'; ++unit) {
                text.push_back(unitAt(base + field.offset + unit * 2));
            }
            if (unit == field.units) {
                throw DriverError("a channel field without its terminator");
            }
        }
        channels.push_back(std::move(channel));
    }
    return channels;
}

std::vector<ChannelFields> inListOrder(std::vector<ChannelFields> channels)
{
    std::stable_sort(channels.begin(), channels.end(), [](const ChannelFields& a, const ChannelFields& b) {
        if (const int byCountry = lstrcmpW(a.country.c_str(), b.country.c_str()); byCountry != 0) {
            return byCountry < 0;
        }
        return lstrcmpW(a.name.c_str(), b.name.c_str()) < 0;
    });
    return channels;
}

std::wstring positionValueName(int position, std::wstring_view suffix)
{
    std::wstring digits = std::to_wstring(position);
    digits.insert(0, digits.size() < 3 ? 3 - digits.size() : 0, L'0');
    return digits + std::wstring(suffix);
}

namespace registry {

RawValue dwordValue(std::uint32_t number)
{
    RawValue value{REG_DWORD, std::vector<std::byte>(sizeof number)};
    std::memcpy(value.bytes.data(), &number, sizeof number);
    return value;
}

RawValue stringValue(std::wstring_view text)
{
    RawValue value{REG_SZ, std::vector<std::byte>((text.size() + 1) * sizeof(wchar_t))};
    std::memcpy(value.bytes.data(), text.data(), text.size() * sizeof(wchar_t));
    return value;
}

ValueMap catalogueValues(std::span<const ChannelFields> channels)
{
    ValueMap values;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const int position = static_cast<int>(i);
        const ChannelFields& channel = channels[i];
        values[positionValueName(position, L"_on")] = dwordValue(channel.on);
        values[positionValueName(position, L"_language")] = stringValue(channel.country);
        values[positionValueName(position, L"_name")] = stringValue(channel.name);
        values[positionValueName(position, L"_note")] = stringValue(channel.note);
        values[positionValueName(position, L"_address")] = stringValue(channel.address);
        values[positionValueName(position, L"_homePage")] = stringValue(channel.homePage);
    }
    return values;
}

ValueMap readAllValues(std::wstring_view key)
{
    ValueMap values;
    for (const std::wstring& name : valueNames(key)) {
        if (std::optional<RawValue> value = readRaw(key, name)) {
            values[name] = std::move(*value);
        }
    }
    return values;
}

void writeAllValues(std::wstring_view key, const ValueMap& values)
{
    for (const auto& [name, value] : values) {
        writeRaw(key, name, value.type, value.bytes);
    }
}

}  // namespace registry

}  // namespace telvia::e2e

// Fuzz target for loading the catalogue from the registry: the fuzzer's bytes become
// values of the Channels key (any name among the first positions' six, any type, any
// size, odd ones included), and the loaded table must equal what a plain model of the
// acceptance rules makes of the same values: a position counts while its country is an
// accepted text and its name is one too; a text is accepted when it is a string value
// that fits the field's buffer and holds something before its first zero unit; a mark
// is a number of exactly four bytes. Nothing past a field is ever read or written, which
// the sanitizers check.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/channel_store.h"
#include "catalogue/registry_paths.h"
#include "fake_registry.h"

namespace {

using namespace telvia;

constexpr std::u16string_view productName = u"Telvia";
constexpr std::array<std::u16string_view, 6> suffixes = {u"_on",      u"_language", u"_name",
                                                         u"_note",    u"_address",  u"_homePage"};
// Positions the input names; the load reads on until a position ends it, so a handful of
// positions reaches every rule while keeping inputs short.
constexpr int namedPositions = 12;
constexpr std::size_t longestValue = 2200;  // past every field's buffer of 1040 bytes

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "registry_loader_fuzz: %s\n", what);
        std::abort();
    }
}

std::u16string valueName(int position, std::u16string_view suffix)
{
    std::u16string name(3, u'0');
    name[0] = static_cast<char16_t>(u'0' + position / 100);
    name[1] = static_cast<char16_t>(u'0' + position / 10 % 10);
    name[2] = static_cast<char16_t>(u'0' + position % 10);
    return name + std::u16string(suffix);
}

// Never opened: the Channels key always exists here, so there is no first run.
class NoFiles final : public FilePort {
public:
    std::unique_ptr<ReadableFile> openForReading(std::u16string_view) override
    {
        check(false, "the first-run file was asked for although the key exists");
        return nullptr;
    }
    std::size_t writeWholeFile(std::u16string_view, std::span<const std::byte>) override
    {
        return 0;
    }
};

// The model: the text a string value of the store gives a field of that width.
template <std::size_t Width>
std::optional<std::u16string> modelText(const fakes::FakeRegistry::Value* value)
{
    if (value == nullptr || value->type != RegistryType::string ||
        value->bytes.size() > 2 * Width) {
        return std::nullopt;
    }
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value->bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(std::to_integer<unsigned>(value->bytes[i]) |
                                                std::to_integer<unsigned>(value->bytes[i + 1]) << 8);
        if (unit == u'\0') {
            break;
        }
        text.push_back(unit);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    return text.substr(0, Width - 1);
}

std::optional<std::uint32_t> modelNumber(const fakes::FakeRegistry::Value* value)
{
    if (value == nullptr || value->type != RegistryType::number || value->bytes.size() != 4) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        number |= std::to_integer<std::uint32_t>(value->bytes[i]) << (8 * i);
    }
    return number;
}

// Fills the table as the model expects the load to; the table starts cleared.
void fillExpected(const fakes::FakeRegistry& registry, ChannelTable& table)
{
    const std::u16string key = channelsKeyPath(productName);
    for (int position = 0; position < channelCapacity; ++position) {
        const auto value = [&](std::u16string_view suffix) {
            return registry.findValue(key, valueName(position, suffix));
        };
        const std::optional<std::u16string> country = modelText<4>(value(u"_language"));
        const std::optional<std::u16string> name = modelText<260>(value(u"_name"));
        if (!country || !name) {
            break;
        }
        Channel& channel = table[position];
        channel.country = *country;
        channel.name = *name;
        channel.note = modelText<520>(value(u"_note")).value_or(u"");
        channel.address = modelText<520>(value(u"_address")).value_or(u"");
        channel.homePage = modelText<260>(value(u"_homePage")).value_or(u"");
        channel.on = static_cast<std::int32_t>(modelNumber(value(u"_on")).value_or(0));
    }
}

// Two tables of 1.25 MB each, kept for the whole run: allocating them for every input
// would cost more than the load under test.
struct Tables {
    ChannelTable loaded;
    ChannelTable expected;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fakes::CallLog log;
    fakes::FakeRegistry registry(log);
    const std::u16string key = channelsKeyPath(productName);
    registry.createKey(key);

    // Each value: a name byte, a type byte, a two-byte length, then that many bytes.
    std::size_t at = 0;
    while (at + 4 <= size) {
        const std::uint8_t nameByte = data[at];
        const auto type = static_cast<RegistryType>(data[at + 1] % 8);
        const std::size_t length =
            std::min<std::size_t>(static_cast<std::size_t>(data[at + 2] | data[at + 3] << 8) %
                                      (longestValue + 1),
                                  size - at - 4);
        at += 4;
        const int position = nameByte % namedPositions;
        const std::u16string_view suffix = suffixes[(nameByte / namedPositions) % suffixes.size()];
        std::vector<std::byte> bytes(length);
        for (std::size_t i = 0; i < length; ++i) {
            bytes[i] = static_cast<std::byte>(data[at + i]);
        }
        at += length;
        registry.putValue(key, valueName(position, suffix), type, std::move(bytes));
    }

    static const auto tables = std::make_unique<Tables>();
    clearChannels(tables->loaded);
    clearChannels(tables->expected);
    NoFiles files;
    const CatalogueOrigin origin = loadCatalogue(tables->loaded, FixedText<4>(u"USA"), productName,
                                                 registry, files);
    check(origin == CatalogueOrigin::registry, "an existing key was taken for a first run");
    fillExpected(registry, tables->expected);
    check(tables->loaded.slots == tables->expected.slots,
          "the loaded table differs from the model of the rules");
    return 0;
}

// Fuzz target for the channel file reader and the record codec: whatever the file holds,
// the length rule decides alone whether it is read, every text is terminated inside its
// field and holds what the field holds up to its first zero unit (cut at the width), and
// decode -> encode -> decode gives the same records (encode -> decode -> encode the same
// bytes). The reader is fed the input as it is; the codec also sees it padded with zeros
// to whole records, so that most inputs reach it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/channel_codec.h"
#include "catalogue/channel_file.h"
#include "fuzz_input_file.h"

namespace {

using namespace telvia;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "channel_file_fuzz: %s\n", what);
        std::abort();
    }
}

// The units of a field as stored, up to the first zero unit or the last unit of the width.
std::u16string storedText(std::span<const std::byte> record, std::size_t offset, std::size_t width)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < width; ++i) {
        const auto unit = static_cast<char16_t>(std::to_integer<unsigned>(record[offset + 2 * i]) |
                                                (std::to_integer<unsigned>(record[offset + 2 * i + 1]) << 8));
        if (unit == u'\0') {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

template <std::size_t Width>
void checkField(const FixedText<Width>& field, std::span<const std::byte> record, std::size_t offset)
{
    check(field.units().back() == u'\0', "text not terminated inside its field");
    check(field.view().size() <= field.maxLength, "text longer than its field");
    check(field.view() == storedText(record, offset, Width), "text differs from the stored units");
}

void checkRecord(const Channel& channel, std::span<const std::byte> record)
{
    checkField(channel.name, record, recordNameOffset);
    checkField(channel.note, record, recordNoteOffset);
    checkField(channel.country, record, recordCountryOffset);
    checkField(channel.address, record, recordAddressOffset);
    checkField(channel.homePage, record, recordHomePageOffset);
}

void checkCodec(std::span<const std::byte> record)
{
    const Channel decoded = decodeChannel(ConstRecordBytes(record.data(), channelRecordSize));
    checkRecord(decoded, record);

    std::vector<std::byte> encoded(channelRecordSize);
    encodeChannel(decoded, RecordBytes(encoded.data(), channelRecordSize));
    const Channel again = decodeChannel(ConstRecordBytes(encoded.data(), channelRecordSize));
    check(again == decoded, "decode -> encode -> decode changed the record");
    check(std::equal(record.begin(), record.begin() + 4, encoded.begin()), "on mark changed");

    std::vector<std::byte> reencoded(channelRecordSize);
    encodeChannel(again, RecordBytes(reencoded.data(), channelRecordSize));
    check(reencoded == encoded, "encode -> decode -> encode changed the bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::byte> input(reinterpret_cast<const std::byte*>(data), size);

    fuzzing::FuzzInputFile files(input);
    const ChannelFileContent content = readChannelFile(files, u"fuzz.qcl");
    const bool validLength = size <= channelFileMaxBytes && size % channelRecordSize == 0;
    check(content.status == (validLength ? ChannelFileStatus::read : ChannelFileStatus::invalidLength),
          "the length rule was not what decided");
    check(content.channels.size() == (validLength ? size / channelRecordSize : 0),
          "not one record per 3132 bytes");
    for (std::size_t i = 0; i < content.channels.size(); ++i) {
        checkRecord(content.channels[i], input.subspan(i * channelRecordSize, channelRecordSize));
    }
    if (validLength) {
        check(writeChannelFile(files, u"out.qcl", content.channels), "write reported a failure");
        check(files.written.size() == size, "written file has another length");
        fuzzing::FuzzInputFile written(files.written);
        check(readChannelFile(written, u"out.qcl").channels == content.channels,
              "written records read back differently");
    }

    std::vector<std::byte> padded(input.begin(), input.end());
    padded.resize((size / channelRecordSize + 1) * channelRecordSize);
    for (std::size_t offset = 0; offset < padded.size(); offset += channelRecordSize) {
        checkCodec(std::span<const std::byte>(padded).subspan(offset, channelRecordSize));
    }
    return 0;
}

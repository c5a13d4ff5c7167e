#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/channel_file.h"
#include "fake_ports.h"
#include "record_bytes.h"

namespace telvia {
namespace {

using fakes::FakePlatform;

using testing::addressAt;
using testing::countryAt;
using testing::homePageAt;
using testing::nameAt;
using testing::noteAt;
using testing::onAt;
using testing::RecordImage;
using testing::recordSize;

RecordImage sampleRecord(int index)
{
    const std::u16string number = std::u16string(1, static_cast<char16_t>(u'0' + index % 10));
    RecordImage record;
    record.number(onAt, 1)
        .text(nameAt, u"Name " + number)
        .text(noteAt, u"Note " + number)
        .text(countryAt, u"USA")
        .text(addressAt, u"mms://stream/" + number)
        .text(homePageAt, u"http://home/" + number);
    return record;
}

std::vector<std::byte> fileOf(int records)
{
    std::vector<RecordImage> images;
    for (int i = 0; i < records; ++i) {
        images.push_back(sampleRecord(i));
    }
    return testing::joinRecords(images);
}

struct ChannelFileFixture : ::testing::Test {
    FakePlatform platform;
};

TEST_F(ChannelFileFixture, LengthDecidesWhetherTheFileIsRead)
{
    const struct {
        std::size_t length;
        ChannelFileStatus status;
        std::size_t records;
    } cases[] = {
        {0, ChannelFileStatus::read, 0},
        {3131, ChannelFileStatus::invalidLength, 0},
        {3132, ChannelFileStatus::read, 1},
        {3133, ChannelFileStatus::invalidLength, 0},
        {3 * recordSize, ChannelFileStatus::read, 3},
        {1'252'800, ChannelFileStatus::read, 400},
        {1'255'932, ChannelFileStatus::invalidLength, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        std::vector<std::byte> bytes = fileOf(static_cast<int>(c.length / recordSize + 1));
        bytes.resize(c.length);
        platform.files.put(u"list.qcl", bytes);

        const ChannelFileContent content = readChannelFile(platform.files, u"list.qcl");
        EXPECT_EQ(content.status, c.status);
        ASSERT_EQ(content.channels.size(), c.records);
        if (c.records > 0) {
            EXPECT_EQ(content.channels.front().name, u"Name 0");
            EXPECT_EQ(content.channels.back().address,
                      u"mms://stream/" + std::u16string(1, static_cast<char16_t>(
                                                               u'0' + (c.records - 1) % 10)));
        }
    }
}

TEST_F(ChannelFileFixture, FilesThatDoNotOpenOrReadShortGiveNoRecords)
{
    platform.files.put(u"locked.qcl", fileOf(1));
    platform.files.locked.push_back(u"locked.qcl");
    EXPECT_EQ(readChannelFile(platform.files, u"missing.qcl").status,
              ChannelFileStatus::cannotOpen);
    EXPECT_EQ(readChannelFile(platform.files, u"locked.qcl").status,
              ChannelFileStatus::cannotOpen);

    // A read that stops early is not reported as a failure, and yields nothing.
    platform.files.put(u"short.qcl", fileOf(2));
    platform.files.shortReadLimit = static_cast<std::uint32_t>(recordSize);
    const ChannelFileContent content = readChannelFile(platform.files, u"short.qcl");
    EXPECT_EQ(content.status, ChannelFileStatus::read);
    EXPECT_TRUE(content.channels.empty());
}

TEST_F(ChannelFileFixture, ARecordOfAnotherWriterReadsBackItsTexts)
{
    RecordImage record;
    record.number(onAt, 0x01020304)
        .text(nameAt, u"\u041F\u0435\u0440\u0432\u044B\u0439")  // not only ASCII
        .text(noteAt, std::u16string(519, u'n'))
        .text(countryAt, u"RUS")
        .text(addressAt, u"mms://a.example/live")
        .text(homePageAt, u"");
    platform.files.put(u"other.qcl", record.bytes);

    const ChannelFileContent content = readChannelFile(platform.files, u"other.qcl");
    ASSERT_EQ(content.channels.size(), 1u);
    const Channel& channel = content.channels[0];
    EXPECT_EQ(channel.on, 0x01020304);
    EXPECT_EQ(channel.name, u"\u041F\u0435\u0440\u0432\u044B\u0439");
    EXPECT_EQ(channel.note, std::u16string(519, u'n'));
    EXPECT_EQ(channel.country, u"RUS");
    EXPECT_EQ(channel.address, u"mms://a.example/live");
    EXPECT_TRUE(channel.homePage.empty());
}

TEST_F(ChannelFileFixture, TextsWithoutTerminatorAreCutToTheirField)
{
    RecordImage record;
    record.number(onAt, 0xFFFFFFFFu)
        .units(nameAt, std::u16string(260, u'a'))
        .units(noteAt, std::u16string(520, u'b'))
        .units(countryAt, u"ABCD")
        .units(addressAt, std::u16string(520, u'c'))
        .units(homePageAt, std::u16string(260, u'd'));
    platform.files.put(u"full.qcl", record.bytes);

    const ChannelFileContent content = readChannelFile(platform.files, u"full.qcl");
    ASSERT_EQ(content.channels.size(), 1u);
    const Channel& channel = content.channels[0];
    // Each field's text ends inside the field, whatever the next field holds.
    EXPECT_EQ(channel.on, -1);
    EXPECT_EQ(channel.name, std::u16string(259, u'a'));
    EXPECT_EQ(channel.note, std::u16string(519, u'b'));
    EXPECT_EQ(channel.country, u"ABC");
    EXPECT_EQ(channel.address, std::u16string(519, u'c'));
    EXPECT_EQ(channel.homePage, std::u16string(259, u'd'));
}

TEST_F(ChannelFileFixture, RecordsWithoutCountryOrAddressAreReturnedAsTheyAre)
{
    std::vector<std::byte> bytes = fileOf(3);
    RecordImage empty;
    empty.number(onAt, 0).text(nameAt, u"Blank").text(countryAt, u"").text(addressAt, u"");
    std::copy(empty.bytes.begin(), empty.bytes.end(), bytes.begin() + recordSize);
    platform.files.put(u"holes.qcl", bytes);

    const ChannelFileContent content = readChannelFile(platform.files, u"holes.qcl");
    ASSERT_EQ(content.channels.size(), 3u);
    EXPECT_EQ(content.channels[1].name, u"Blank");
    EXPECT_TRUE(content.channels[1].country.empty());
    EXPECT_TRUE(content.channels[1].address.empty());
    EXPECT_EQ(content.channels[2].name, u"Name 2");
}

TEST_F(ChannelFileFixture, WrittenRecordsLieAtTheirOffsetsWithZerosBehindTheTexts)
{
    std::vector<Channel> channels(3);
    for (int i = 0; i < 3; ++i) {
        Channel& channel = channels[static_cast<std::size_t>(i)];
        channel.on = 1;
        channel.name = u"Name " + std::u16string(1, static_cast<char16_t>(u'0' + i));
        channel.note = u"Note " + std::u16string(1, static_cast<char16_t>(u'0' + i));
        channel.country = u"USA";
        channel.address = u"mms://stream/" + std::u16string(1, static_cast<char16_t>(u'0' + i));
        channel.homePage = u"http://home/" + std::u16string(1, static_cast<char16_t>(u'0' + i));
    }
    ASSERT_TRUE(writeChannelFile(platform.files, u"channels.qcl", channels));

    const std::vector<std::byte>* written = platform.files.find(u"channels.qcl");
    ASSERT_NE(written, nullptr);
    ASSERT_EQ(written->size(), 3 * recordSize);
    // Byte for byte what another writer would produce, given zeros behind the terminators.
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        RecordImage expected = sampleRecord(i);
        std::replace(expected.bytes.begin(), expected.bytes.end(), RecordImage::junk, std::byte{0});
        EXPECT_TRUE(std::equal(expected.bytes.begin(), expected.bytes.end(),
                               written->begin() + static_cast<std::ptrdiff_t>(i * recordSize)));
    }
    const ChannelFileContent back = readChannelFile(platform.files, u"channels.qcl");
    EXPECT_EQ(back.channels, channels);
}

TEST_F(ChannelFileFixture, AWriteThatIsNotCompleteFails)
{
    const std::vector<Channel> channels(2);
    platform.files.locked.push_back(u"locked.qcl");
    EXPECT_FALSE(writeChannelFile(platform.files, u"locked.qcl", channels));
    platform.files.shortWriteLimit = 2 * recordSize - 1;
    EXPECT_FALSE(writeChannelFile(platform.files, u"full.qcl", channels));
    platform.files.shortWriteLimit.reset();
    EXPECT_TRUE(writeChannelFile(platform.files, u"fine.qcl", channels));
    EXPECT_EQ(platform.files.find(u"fine.qcl")->size(), 2 * recordSize);
}

}  // namespace
}  // namespace telvia

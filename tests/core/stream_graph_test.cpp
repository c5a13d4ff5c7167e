#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "fake_ports.h"
#include "playback/stream_graph.h"

namespace telvia {
namespace {

struct GraphFixture : ::testing::Test {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    fakes::FakePlatform platform;

    GraphFixture() { state->productName = u"Telvia"; }
};

TEST_F(GraphFixture, TitleNamesTheChannelAndItsStatus)
{
    const struct {
        std::u16string name;
        std::u16string status;
        std::u16string title;
    } cases[] = {
        {u"", u"", u"Telvia"},
        {u"", u"CONNECTING", u"Telvia"},  // never a status without a channel
        {u"News", u"", u"Telvia  [ News ]"},
        {u"News", u"BUFFERING", u"Telvia  [ News ]  BUFFERING"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fakes::narrow(c.name + u"/" + c.status));
        state->current.name = c.name;
        updateTitle(*state, platform.ports, c.status);
        EXPECT_EQ(platform.window.title, c.title);
    }
}

TEST_F(GraphFixture, LongTitlesAreCutTo519Units)
{
    state->productName = std::u16string(259, u'p');
    state->current.name = std::u16string(259, u'n');
    updateTitle(*state, platform.ports, std::u16string(259, u's'));
    ASSERT_EQ(platform.window.title.size(), 519u);
    EXPECT_EQ(platform.window.title.substr(259, 4), u"  [ ");
}

TEST_F(GraphFixture, FailureReportsFormatTheResultInLowerCaseHex)
{
    const struct {
        std::string format;
        HResult result;
        std::u16string text;
    } cases[] = {
        {"FAILED(hr=0x%x) in pME->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)\n",
         static_cast<HResult>(0x80004002u),
         u"FAILED(hr=0x80004002) in pME->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)\n"},
        {"FAILED(hr=0x%x) in X\n", 0x1A, u"FAILED(hr=0x1a) in X\n"},
        {"FAILED(hr=0x%x) in X\n", 0, u"FAILED(hr=0x0) in X\n"},
        {"CoInitialize Failed!\r\n", -1, u"CoInitialize Failed!\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        platform.messages.shown.clear();
        reportGraphFailure(*state, platform.ports, c.format, c.result);
        ASSERT_EQ(platform.messages.shown.size(), 1u);
        EXPECT_EQ(platform.messages.shown[0].text, c.text);
        EXPECT_EQ(platform.messages.shown[0].caption, u"Telvia");
        EXPECT_EQ(platform.messages.shown[0].owner, MessageOwner::none);
    }
}

TEST_F(GraphFixture, FailureReportsAreCutTo1023Units)
{
    reportGraphFailure(*state, platform.ports, std::string(2000, 'x') + "%x", 5);
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].text, std::u16string(1023, u'x'));
}

}  // namespace
}  // namespace telvia

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/address/address_classification.h"
#include "common/request_headers.h"

namespace telvia::stream {
namespace {

TEST(AddressClassification, SendsEachAddressToTheSourceThatOpensIt)
{
    using K = AddressKind;
    using R = AddressRoute;
    const struct {
        const char* address;
        AddressKind kind;
        AddressRoute route;
    } cases[] = {
        {"https://cdn.example/live/master.m3u8", K::hlsPlaylist, R::streamSource},
        {"http://cdn.example/live/index.M3U8?token=a.mpd", K::hlsPlaylist, R::streamSource},
        {"https://x.example/mp4:live/playlist.m3u", K::hlsPlaylist, R::streamSource},
        {"http://host/live.m3u8|User-Agent=Foo&Referer=http://x/", K::hlsPlaylist, R::streamSource},
        {"http://190.2.155.162:8080/mtv/stream.ts", K::transportStream, R::streamSource},
        {"https://radio.example/stream.mp3", K::audioStream, R::streamSource},
        {"http://radio.example/aac/live.aac", K::audioStream, R::streamSource},
        {"http://91.185.3.218:4000/play/604", K::httpStream, R::streamSource},
        {"http://host:8080", K::httpStream, R::streamSource},
        {"HTTP://HOST/Channel", K::httpStream, R::streamSource},
        {"http://host/video.wmv", K::windowsMedia, R::asfReader},
        {"http://host/radio.asx", K::windowsMedia, R::asfReader},
        {"mms://media.example/live", K::windowsMedia, R::asfReader},
        {"mmsh://media.example/live", K::windowsMedia, R::asfReader},
        {"demo.wmv", K::localFile, R::asfReader},
        {"videos\\demo.wmv", K::localFile, R::asfReader},
        {"C:\\Videos\\a.wmv", K::localFile, R::asfReader},
        {"d:/a.asf", K::localFile, R::asfReader},
        {"\\Videos\\a.wmv", K::localFile, R::asfReader},
        {"\\\\?\\C:\\Videos\\a.wmv", K::localFile, R::asfReader},
        {"file:///C:/Videos/a.wmv", K::localFile, R::asfReader},
        {"file://localhost/C:/a.wmv", K::localFile, R::asfReader},
        {"https://cdn.example/dash/manifest.mpd", K::dashManifest, R::streamSource},
        {"\\\\fileserver\\share\\x.wmv", K::networkPath, R::none},
        {"//fileserver/share/x.wmv", K::networkPath, R::none},
        {"\\/fileserver\\share\\x.wmv", K::networkPath, R::none},
        {"\\\\?\\UNC\\fileserver\\share\\x.wmv", K::networkPath, R::none},
        {"\\\\.\\pipe\\x", K::networkPath, R::none},
        {"file://fileserver/share/x.wmv", K::networkPath, R::none},
        {"FILE://FileServer/share/x.wmv", K::networkPath, R::none},
        {"file:////fileserver/share/x.wmv", K::networkPath, R::none},
        {"file:///%5C%5Cfileserver%5Cshare%5Cx.wmv", K::networkPath, R::none},
        {"rtmp://live.example/app/stream", K::unsupportedScheme, R::none},
        {"udp://@239.1.9.2:1234", K::unsupportedScheme, R::none},
        {"http://host/live.m3u8|Referer", K::badRequestHeaders, R::none},
        {"", K::malformed, R::none},
        {"   ", K::malformed, R::none},
        {"http:///no-host.m3u8", K::malformed, R::none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        const AddressKind kind = classifyAddress(c.address);
        EXPECT_EQ(kind, c.kind) << describe(kind);
        EXPECT_EQ(routeOf(kind), c.route);
    }
}

// Files are opened only in the forms that stay on this computer's disks; whatever else
// could make Windows reach another computer, a device or the NT namespace is refused, and
// so is any address whose characters read one way and open another.
TEST(AddressClassification, OpensOnlyFilesOnThisComputersDisks)
{
    using K = AddressKind;
    const struct {
        const char* address;
        AddressKind kind;
    } cases[] = {
        {"C:\\Vid\xC3\xA9os\\clip 1.wmv", K::localFile},
        {"file:///D:/Videos/a%20b.wmv", K::localFile},
        {"\\??\\UNC\\fileserver\\share\\x.wmv", K::networkPath},
        {"\\??\\C:\\Videos\\a.wmv", K::networkPath},
        {"/?" "?/C:/Videos/a.wmv", K::networkPath},
        {"\\GLOBAL??\\C:\\a.wmv", K::networkPath},
        {"\\\\?\\GLOBALROOT\\Device\\Mup\\host\\share\\x.wmv", K::networkPath},
        {"C:\\Videos\\a.wmv:hidden", K::networkPath},
        {"C:\\Videos\\*.wmv", K::networkPath},
        {"C:\\Videos\\CON", K::networkPath},
        {"nul.wmv", K::networkPath},
        {"videos\\com1.wmv", K::networkPath},
        {"file:///C:/Videos/a.wmv%3Aalt", K::networkPath},
        {"file:///C:/%3F%3F/x", K::networkPath},
        {"fiLe:///C:?vG??.wmv", K::networkPath},
        {"file:///C:/a.wmv#b", K::networkPath},
        {"\n\\\\fileserver\\share\\x.wmv", K::unsafeCharacters},
        {"\r\\\\fileserver\\share\\x.wmv", K::unsafeCharacters},
        {"\v\\\\fileserver\\share\\x.wmv", K::unsafeCharacters},
        {"\xC2\xA0\\\\fileserver\\share\\x.wmv", K::unsafeCharacters},        // no-break space
        {"\xE3\x80\x80\\\\fileserver\\share\\x.wmv", K::unsafeCharacters},    // ideographic space
        {"\xEF\xBC\xBC\xEF\xBC\xBC" "fileserver\\share\\x.wmv", K::unsafeCharacters},  // fullwidth reverse solidi
        {"C:\\Videos\\a\xE2\x80\xAE" "vmw.exe", K::unsafeCharacters},       // right-to-left override
        {"http://cdn.example/live\x01.m3u8", K::unsafeCharacters},
        {"file:///C:/a%0Ab.wmv", K::unsafeCharacters},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        const AddressKind kind = classifyAddress(c.address);
        EXPECT_EQ(kind, c.kind) << describe(kind);
        EXPECT_EQ(routeOf(kind), c.kind == K::localFile ? AddressRoute::asfReader : AddressRoute::none);
    }
}

TEST(RequestHeaders, SplitsTheSuffixIntoHeaders)
{
    using H = std::vector<RequestHeader>;
    const struct {
        const char* address;
        const char* base;
        H headers;
        std::optional<HeaderSuffixError> error;
    } cases[] = {
        {"http://h/a.m3u8", "http://h/a.m3u8", {}, std::nullopt},
        {"http://h/a.m3u8|", "http://h/a.m3u8", {}, std::nullopt},
        {"http://host/live.m3u8|User-Agent=Foo&Referer=http://x/", "http://host/live.m3u8",
         {{"User-Agent", "Foo"}, {"Referer", "http://x/"}}, std::nullopt},
        {"http://h/a|User-Agent=Mozilla/5.0 (X11; Linux) a=b", "http://h/a",
         {{"User-Agent", "Mozilla/5.0 (X11; Linux) a=b"}}, std::nullopt},
        {"http://h/a|Referer=a%26b%7Cc%3D&&user-agent=", "http://h/a", {{"Referer", "a&b|c="}, {"user-agent", ""}},
         std::nullopt},
        {"http://h/a|Host:x=1", "http://h/a", {}, HeaderSuffixError::badName},
        {"http://h/a|Bad%=100%", "http://h/a", {}, HeaderSuffixError::notAllowed},
        {"http://h/a|User-Agent=A&Host=evil.example", "http://h/a", {{"User-Agent", "A"}}, HeaderSuffixError::notAllowed},
        {"http://h/a|Cookie=session=1", "http://h/a", {}, HeaderSuffixError::notAllowed},
        {"http://h/a|Authorization=Basic%20eDp5", "http://h/a", {}, HeaderSuffixError::notAllowed},
        {"http://h/a|Content-Length=0", "http://h/a", {}, HeaderSuffixError::notAllowed},
        {"http://h/a|Transfer-Encoding=chunked", "http://h/a", {}, HeaderSuffixError::notAllowed},
        {"http://h/a|Connection=Upgrade&Upgrade=h2c", "http://h/a", {}, HeaderSuffixError::notAllowed},
        {"http://h/a|Referer", "http://h/a", {}, HeaderSuffixError::pairWithoutEquals},
        {"http://h/a|Referer=1&=2", "http://h/a", {{"Referer", "1"}}, HeaderSuffixError::badName},
        {"http://h/a|Na me=1", "http://h/a", {}, HeaderSuffixError::badName},
        {"http://h/a|Referer=1%0D%0AHost: evil", "http://h/a", {}, HeaderSuffixError::badValue},
        {"http://h/a|User-Agent=%00", "http://h/a", {}, HeaderSuffixError::badValue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        const AddressWithHeaders split = splitRequestHeaders(c.address);
        EXPECT_EQ(split.address, c.base);
        EXPECT_EQ(split.headers, c.headers);
        EXPECT_EQ(split.error, c.error);
    }
}

}  // namespace
}  // namespace telvia::stream

#include <gtest/gtest.h>

#include "platform/http_redirects.h"

namespace telvia {
namespace {

TEST(HttpRedirects, CarryTheHeadersOnlyAtTheFirstOriginAndNeverFromHttpsToHttp)
{
    const HttpOrigin tv{true, "tv.example", 443};
    const HttpOrigin tvPlain{false, "tv.example", 80};
    const HttpOrigin tvOtherPort{true, "tv.example", 8443};
    const HttpOrigin cdn{true, "cdn.example", 443};
    const HttpOrigin cdnPlain{false, "cdn.example", 80};
    const struct {
        const char* name;
        HttpOrigin first;
        HttpOrigin from;
        HttpOrigin to;
        RedirectHop expected;
    } cases[] = {
        {"the same origin", tv, tv, tv, RedirectHop::withHeaders},
        {"another host", tv, tv, cdn, RedirectHop::withoutHeaders},
        {"another port", tv, tv, tvOtherPort, RedirectHop::withoutHeaders},
        {"back to the first origin", tv, cdn, tv, RedirectHop::withHeaders},
        {"http to https of the same host is another origin", tvPlain, tvPlain, tv, RedirectHop::withoutHeaders},
        {"https to http of the same host", tv, tv, tvPlain, RedirectHop::refused},
        {"https to http elsewhere", tv, cdn, cdnPlain, RedirectHop::refused},
        {"http to http elsewhere", tvPlain, tvPlain, cdnPlain, RedirectHop::withoutHeaders},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(redirectHop(c.first, c.from, c.to), c.expected);
    }
}

}  // namespace
}  // namespace telvia

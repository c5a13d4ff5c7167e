#include "catalogue/m3u_request_headers.h"

#include "catalogue/m3u_entry.h"

namespace telvia::m3u {

namespace {

constexpr std::u16string_view optionTag = u"#EXTVLCOPT:";

void setOnce(std::u16string& header, std::u16string_view value)
{
    if (header.empty()) {
        header = value;
    }
}

void appendEncoded(std::u16string& out, std::u16string_view value)
{
    for (const char16_t unit : value) {
        switch (unit) {
        case u'%': out += u"%25"; break;
        case u'&': out += u"%26"; break;
        case u'=': out += u"%3D"; break;
        case u'|': out += u"%7C"; break;
        default: out += unit; break;
        }
    }
}

}  // namespace

void readPlayerOption(std::u16string_view trimmedLine, PlayerOptions& options)
{
    if (!trimmedLine.starts_with(optionTag)) {
        return;
    }
    const std::u16string_view option = trimmedLine.substr(optionTag.size());
    const std::size_t equals = option.find(u'=');
    if (equals == std::u16string_view::npos) {
        return;
    }
    const std::u16string_view name = trim(option.substr(0, equals));
    const std::u16string_view value = trim(option.substr(equals + 1));
    if (name == u"http-user-agent") {
        setOnce(options.userAgent, value);
    } else if (name == u"http-referrer" || name == u"http-referer") {
        setOnce(options.referrer, value);
    }
}

std::u16string addressWithHeaders(std::u16string_view address, std::u16string_view userAgent,
                                  std::u16string_view referrer)
{
    std::u16string result(address);
    if (address.find(u'|') != std::u16string_view::npos || (userAgent.empty() && referrer.empty())) {
        return result;
    }
    result += u'|';
    if (!userAgent.empty()) {
        result += u"User-Agent=";
        appendEncoded(result, userAgent);
    }
    if (!referrer.empty()) {
        result += userAgent.empty() ? u"Referer=" : u"&Referer=";
        appendEncoded(result, referrer);
    }
    return result;
}

}  // namespace telvia::m3u

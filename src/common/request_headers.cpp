#include "common/request_headers.h"

#include <algorithm>

#include "common/ascii_case.h"
#include "common/percent_decoding.h"

namespace telvia {

namespace {

// The characters of a header name ("token" in HTTP).
bool isTokenCharacter(char c)
{
    constexpr std::string_view punctuation = "!#$%&'*+-.^_`|~";
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           punctuation.find(c) != std::string_view::npos;
}

bool isAllowed(std::string_view name)
{
    return equalsIgnoringAsciiCase(name, "User-Agent") || equalsIgnoringAsciiCase(name, "Referer");
}

}  // namespace

AddressWithHeaders splitRequestHeaders(std::string_view address)
{
    AddressWithHeaders result;
    const std::size_t bar = address.find('|');
    result.address = std::string(address.substr(0, bar));
    if (bar == std::string_view::npos) {
        return result;
    }
    std::string_view suffix = address.substr(bar + 1);
    while (!suffix.empty()) {
        const std::size_t amp = suffix.find('&');
        const std::string_view pair = suffix.substr(0, amp);
        suffix = amp == std::string_view::npos ? std::string_view() : suffix.substr(amp + 1);
        if (pair.empty()) {
            continue;  // "a=b&&c=d" and a trailing "&" carry nothing
        }
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos) {
            result.error = HeaderSuffixError::pairWithoutEquals;
            return result;
        }
        RequestHeader header{percentDecode(pair.substr(0, equals)), percentDecode(pair.substr(equals + 1))};
        if (header.name.empty() || !std::all_of(header.name.begin(), header.name.end(), isTokenCharacter)) {
            result.error = HeaderSuffixError::badName;
            return result;
        }
        if (header.value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            result.error = HeaderSuffixError::badValue;
            return result;
        }
        if (!isAllowed(header.name)) {
            result.error = HeaderSuffixError::notAllowed;
            return result;
        }
        result.headers.push_back(std::move(header));
    }
    return result;
}

}  // namespace telvia

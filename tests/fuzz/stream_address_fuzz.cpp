// Fuzz target for what an address is: its header suffix and its kind. Whatever the text,
// only User-Agent and Referer come out of the suffix, and never with a line break or a
// zero; an address with a control character, a network share or an NT prefix never goes
// to a source as a file; and the route follows the kind.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "common/ascii_case.h"
#include "playback/stream/address/address_classification.h"
#include "common/request_headers.h"

namespace {

using namespace telvia;
using namespace telvia::stream;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "stream_address_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const AddressWithHeaders split = splitRequestHeaders(text);
    check(split.address.size() <= text.size(), "an address longer than the text");
    for (const RequestHeader& header : split.headers) {
        check(telvia::equalsIgnoringAsciiCase(header.name, "User-Agent") ||
                  telvia::equalsIgnoringAsciiCase(header.name, "Referer"),
              "a header other than User-Agent and Referer");
        check(header.value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
              "a header value that would end the request line");
    }
    const AddressKind kind = classifyAddress(text);
    if (kind == AddressKind::localFile) {
        // Spaces and tabs around the address are not part of it.
        const std::string_view address = split.address;
        const std::size_t start = address.find_first_not_of(" \t");
        const std::size_t end = address.find_last_not_of(" \t");
        const std::string_view trimmed =
            start == std::string_view::npos ? std::string_view() : address.substr(start, end - start + 1);
        check(std::none_of(trimmed.begin(), trimmed.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }),
              "a file name with a control character");
        const bool doubleSeparator = trimmed.size() >= 2 && (trimmed[0] == '\\' || trimmed[0] == '/') &&
                                     (trimmed[1] == '\\' || trimmed[1] == '/');
        check(!doubleSeparator || trimmed.starts_with("\\\\?\\"), "a network or device path taken for a file");
        check(trimmed.find('?') == std::string_view::npos || trimmed.starts_with("\\\\?\\"), "a name with a wildcard, or an NT path, taken for a file");
    }
    check((routeOf(kind) == AddressRoute::none) ==
              (kind == AddressKind::networkPath ||
               kind == AddressKind::unsafeCharacters || kind == AddressKind::unsupportedScheme ||
               kind == AddressKind::badRequestHeaders || kind == AddressKind::malformed),
          "a route that does not follow the kind");
    return 0;
}

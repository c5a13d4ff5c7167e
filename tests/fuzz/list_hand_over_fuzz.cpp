// Fuzz target for the data a second start hands over to the running program: any bytes,
// under the hand-over's tag or, when the first byte is odd, under another one. A taken path
// is a whole absolute channel-file or playlist path whose encoding gives back exactly the
// bytes that came, and nothing under another tag is taken.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/channel_list_paths.h"

namespace {

using namespace telvia;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "list_hand_over_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const bool ownTag = (data[0] & 1) == 0;
    const std::uintptr_t tag = ownTag ? listHandOverTag : listHandOverTag ^ data[0];
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data + 1), size - 1);
    const std::optional<std::u16string> path = decodeListHandOver(tag, bytes);
    if (!path) {
        return 0;
    }
    check(ownTag, "taken under another tag");
    check(isChannelListPath(*path) && isAbsolutePath(*path), "taken path is no absolute list path");
    const std::vector<std::byte> again = encodeListHandOver(*path);
    check(again.size() == bytes.size() && std::equal(again.begin(), again.end(), bytes.begin()),
          "taken path does not encode to the bytes that came");
    return 0;
}

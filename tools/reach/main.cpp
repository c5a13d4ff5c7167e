// telvia-reach: how many channel addresses of M3U playlists a source of the program
// would open, by the program's own address classification.
//   telvia-reach LIST.m3u... [--minimum PERCENT]
// Prints one line per kind of address (count, share, route, kind), then
// "reach: NN.N %": the share the stream source or the ASF reader opens. Exits 1 when
// the reach is under the minimum, 2 when a list cannot be read.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "playback/stream/address/address_classification.h"

namespace {

using telvia::stream::AddressKind;
using telvia::stream::AddressRoute;

std::string_view trim(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    return line;
}

// Every line of an extended M3U that is neither empty nor a tag or comment is an address.
bool readAddresses(const char* path, std::vector<std::string>& addresses)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    const std::string text = bytes.str();
    std::string_view rest = text;
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = trim(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && !line.starts_with('#')) addresses.emplace_back(line);
    }
    return true;
}

const char* routeName(AddressRoute route)
{
    switch (route) {
    case AddressRoute::streamSource: return "stream source";
    case AddressRoute::asfReader: return "ASF reader";
    case AddressRoute::none: return "not opened";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> addresses;
    double minimum = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--minimum" && i + 1 < argc) {
            minimum = std::strtod(argv[++i], nullptr);
        } else if (!readAddresses(argv[i], addresses)) {
            std::fprintf(stderr, "telvia-reach: cannot read %s\n", argv[i]);
            return 2;
        }
    }
    if (addresses.empty()) {
        std::fprintf(stderr, "usage: telvia-reach LIST.m3u... [--minimum PERCENT]\n");
        return 2;
    }
    std::map<AddressKind, std::size_t> counts;
    std::size_t opened = 0;
    for (const std::string& address : addresses) {
        const AddressKind kind = telvia::stream::classifyAddress(address);
        ++counts[kind];
        opened += telvia::stream::routeOf(kind) != AddressRoute::none ? 1 : 0;
    }
    const auto share = [&addresses](std::size_t count) { return 100.0 * static_cast<double>(count) / static_cast<double>(addresses.size()); };
    for (const auto& [kind, count] : counts) {
        const std::string name(telvia::stream::describe(kind));
        std::printf("%6zu  %5.1f %%  %-13s  %s\n", count, share(count), routeName(telvia::stream::routeOf(kind)), name.c_str());
    }
    const double reach = share(opened);
    std::printf("reach: %.1f %%\n", reach);
    return reach < minimum ? 1 : 0;
}

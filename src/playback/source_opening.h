// How the program puts an address's source into a graph and opens it, for the player and
// the stream probe alike: the source of the address's route (the program's own stream
// source for internet streams, the ASF reader for Windows Media and local files) goes in
// under one name, and Load opens the address. What the program's own source answers with
// "unknown file type" (above all Windows Media served over HTTP behind a plain path) the
// ASF reader then tries in its place, and its answer counts.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/media_port.h"
#include "playback/stream/address/address_classification.h"

namespace telvia {

// The name of the source in the graph, whichever source it is.
inline constexpr std::u16string_view graphSourceName = u"WMASFReader";

enum class SourceStep : std::uint8_t {
    createStreamSource,
    createAsfReader,
    addToGraph,
    queryFileSource,
    load,
    removeFromGraph,  // the stream source makes way for the ASF reader
};

// Told of each step as it is taken and how it ended. The player reports a step that
// failed; the probe prints every one.
class SourceSteps {
public:
    virtual ~SourceSteps() = default;
    virtual void begin(SourceStep /*step*/) {}
    virtual void end(SourceStep step, HResult result) = 0;
};

// The graph's source as the owner releases it: the file source before the filter.
struct GraphSource {
    MediaRef<BaseFilter>& filter;
    MediaRef<FileSource>& fileSource;
};

// Creates the route's source, adds it to the graph and asks it for its file source; false
// at the first step that failed. What was acquired stays in `source` for the owner's
// tear-down. Any route but the stream source's puts the ASF reader in.
[[nodiscard]] bool addGraphSource(MediaFrameworkPort& media, GraphBuilder& graph, stream::AddressRoute route,
                                  GraphSource source, SourceSteps& steps);

struct SourceOpened {
    bool built = true;        // false: a step before Load failed, reported by `steps`
    HResult loaded = resultOk;  // Load's answer, when built
};

// Whether Load's answer from the route's source hands the address on to the ASF reader:
// only the program's own source's "unknown file type" does.
[[nodiscard]] bool fallsBackToAsfReader(stream::AddressRoute route, HResult loaded);

// Takes the program's own source out of the graph and puts the ASF reader in its place,
// ready for Load; false at the first step that failed, reported by `steps`.
[[nodiscard]] bool replaceWithAsfReader(MediaFrameworkPort& media, GraphBuilder& graph, GraphSource source,
                                        SourceSteps& steps);

// Loads the address into the source that addGraphSource() put in for the route, with the
// fall-back to the ASF reader; blocks until the source has opened it or failed.
[[nodiscard]] SourceOpened openGraphSource(MediaFrameworkPort& media, GraphBuilder& graph, stream::AddressRoute route,
                                           std::u16string_view address, GraphSource source, SourceSteps& steps);

}  // namespace telvia

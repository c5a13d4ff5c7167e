#include "playback/source_opening.h"

#include <utility>

namespace telvia {

namespace {

HResult stepped(SourceSteps& steps, SourceStep step, HResult result)
{
    steps.end(step, result);
    return result;
}

// Takes what a call handed over into its field, whatever the result, so that the owner
// releases it; true when the call succeeded.
template <typename Interface>
bool take(SourceSteps& steps, SourceStep step, Obtained<Interface> obtained, MediaRef<Interface>& field)
{
    field = std::move(obtained.value);
    return stepped(steps, step, obtained.result) >= 0;
}

HResult load(FileSource& fileSource, std::u16string_view address, SourceSteps& steps)
{
    steps.begin(SourceStep::load);
    return stepped(steps, SourceStep::load, fileSource.load(address));
}

}  // namespace

bool addGraphSource(MediaFrameworkPort& media, GraphBuilder& graph, stream::AddressRoute route, GraphSource source,
                    SourceSteps& steps)
{
    const bool created = route == stream::AddressRoute::streamSource
                             ? take(steps, SourceStep::createStreamSource, media.createStreamSource(), source.filter)
                             : take(steps, SourceStep::createAsfReader, media.createAsfReader(), source.filter);
    return created && stepped(steps, SourceStep::addToGraph, graph.addFilter(*source.filter, graphSourceName)) >= 0 &&
           take(steps, SourceStep::queryFileSource, source.filter->queryFileSource(), source.fileSource);
}

bool fallsBackToAsfReader(stream::AddressRoute route, HResult loaded)
{
    return loaded == resultUnknownFileType && route == stream::AddressRoute::streamSource;
}

bool replaceWithAsfReader(MediaFrameworkPort& media, GraphBuilder& graph, GraphSource source, SourceSteps& steps)
{
    steps.begin(SourceStep::removeFromGraph);
    source.fileSource.reset();
    const HResult removed = stepped(steps, SourceStep::removeFromGraph, graph.removeFilter(*source.filter));
    source.filter.reset();
    return removed >= 0 && addGraphSource(media, graph, stream::AddressRoute::asfReader, source, steps);
}

SourceOpened openGraphSource(MediaFrameworkPort& media, GraphBuilder& graph, stream::AddressRoute route,
                             std::u16string_view address, GraphSource source, SourceSteps& steps)
{
    HResult loaded = load(*source.fileSource, address, steps);
    if (!fallsBackToAsfReader(route, loaded)) {
        return {true, loaded};
    }
    if (!replaceWithAsfReader(media, graph, source, steps)) {
        return {false, resultOk};
    }
    return {true, load(*source.fileSource, address, steps)};
}

}  // namespace telvia

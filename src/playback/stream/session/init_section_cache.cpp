#include "playback/stream/session/init_section_cache.h"

#include <algorithm>
#include <utility>

namespace telvia::stream {

const std::vector<std::uint8_t>* InitSectionCache::find(const HlsInitSection& section) const
{
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&section](const Entry& entry) { return entry.section.sameAs(section); });
    return found == entries_.end() ? nullptr : &found->bytes;
}

const std::vector<std::uint8_t>& InitSectionCache::keep(const HlsInitSection& section, std::vector<std::uint8_t> bytes)
{
    std::erase_if(entries_, [&section](const Entry& entry) { return entry.section.sameAs(section); });
    if (entries_.size() == initSectionCacheEntries) {
        entries_.pop_front();
    }
    entries_.push_back(Entry{section, std::move(bytes)});
    return entries_.back().bytes;
}

}  // namespace telvia::stream

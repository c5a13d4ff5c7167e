// The interface references of one playback graph, all empty while no graph exists.
#pragma once

namespace telvia {

// Filled in by the stream graph: each reference becomes an owning handle of the media
// framework port, released in a fixed order by tearDownGraph.
struct PlayerGraph {
    [[nodiscard]] bool empty() const { return true; }
};

}  // namespace telvia

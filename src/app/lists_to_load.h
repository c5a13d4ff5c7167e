// Channel files and playlists waiting for the Load dialog: the one named on the command
// line and those that later starts hand over, in the order they came.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace telvia {

class ListsToLoad {
public:
    // Enough for a handful of files opened together from Explorer; a flood of hand-overs
    // from elsewhere is refused beyond it rather than held without end.
    static constexpr std::size_t capacity = 32;

    // False, and the path dropped, when the queue is full.
    [[nodiscard]] bool add(std::u16string path);
    // The oldest path, taken out of the queue; nothing when none waits.
    [[nodiscard]] std::optional<std::u16string> take();
    [[nodiscard]] bool empty() const { return paths_.empty(); }

private:
    std::deque<std::u16string> paths_;
};

}  // namespace telvia

#include "app/lists_to_load.h"

#include <utility>

namespace telvia {

bool ListsToLoad::add(std::u16string path)
{
    if (paths_.size() >= capacity) {
        return false;
    }
    paths_.push_back(std::move(path));
    return true;
}

std::optional<std::u16string> ListsToLoad::take()
{
    if (paths_.empty()) {
        return std::nullopt;
    }
    std::u16string path = std::move(paths_.front());
    paths_.pop_front();
    return path;
}

}  // namespace telvia

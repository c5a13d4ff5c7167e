#include "app/view_mode_menu.h"

#include "playback/video_placement.h"
#include "resources/resource.h"

namespace telvia {

void markViewMode(std::int32_t viewMode, MainWindowPort& window)
{
    // The id 0 is in no menu's range, so an unknown mode marks nothing; the mode is kept as
    // it is and never added to an id, where a large value would overflow.
    const bool known = viewMode >= viewModeHalf && viewMode <= viewModeFit;
    window.checkMenuRadio(IDM_SIZE_50, IDM_SIZE_FIT, known ? IDM_SIZE_50 + viewMode : 0);
}

}  // namespace telvia

// The interface references of one playback graph, all empty while no graph exists.
#pragma once

#include "platform/media_port.h"

namespace telvia {

// Each reference is owned here from the moment it is obtained until tearDownGraph resets
// it; the renderer itself and its configuration interfaces are held only while the
// renderer is being added.
struct PlayerGraph {
    MediaRef<GraphBuilder> graphBuilder;
    MediaRef<VideoWindow> videoWindow;
    MediaRef<BasicVideo> basicVideo;
    MediaRef<BasicAudio> basicAudio;
    MediaRef<MediaControl> mediaControl;
    MediaRef<MediaEvent> mediaEvent;
    MediaRef<BaseFilter> sourceFilter;
    MediaRef<FileSource> fileSource;
    MediaRef<PinEnumerator> pinEnum;  // kept after the pins are rendered
    MediaRef<WindowlessControl> windowlessControl;
    MediaRef<MixerBitmap> mixerBitmap;

    [[nodiscard]] bool empty() const
    {
        return !graphBuilder && !videoWindow && !basicVideo && !basicAudio && !mediaControl &&
               !mediaEvent && !sourceFilter && !fileSource && !pinEnum && !windowlessControl &&
               !mixerBitmap;
    }
};

}  // namespace telvia

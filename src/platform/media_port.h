// The media framework as the player drives it, object by object: a filter graph with a
// stream source and a video renderer (DirectShow with the ASF reader and the Video Mixing
// Renderer 7 on Windows).
//
// Every interface reference is handed out as an owning, move-only handle: destroying the
// handle gives up the reference (Release), so the order in which the logic destroys its
// handles is the order in which the references go. Every call answers with the framework's
// own 32-bit result code, negative on failure, so that the logic decides what a failure
// means and which message it shows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/geometry.h"
#include "platform/system_port.h"
#include "platform/window_control_port.h"

namespace telvia {

inline constexpr HResult resultOk = 0;     // S_OK
inline constexpr HResult resultFalse = 1;  // S_FALSE: success, but nothing (more) to give
// VFW_E_UNKNOWN_FILE_TYPE: a source's Load found nothing it reads at the address.
inline constexpr HResult resultUnknownFileType = static_cast<HResult>(0x80040240u);

// A result code with what the call produced. The value is zero-initialised and is what
// the framework wrote; on failure it normally stays zero.
template <typename T>
struct MediaAnswer {
    HResult result = resultOk;
    T value{};
};

// An owned interface reference; empty when the framework gave none.
template <typename Interface>
using MediaRef = std::unique_ptr<Interface>;

// A new reference and the result of the call that asked for it.
template <typename Interface>
using Obtained = MediaAnswer<MediaRef<Interface>>;

// Common base of every interface: not copyable, destroyed through the base.
class MediaInterface {
public:
    MediaInterface() = default;
    MediaInterface(const MediaInterface&) = delete;
    MediaInterface& operator=(const MediaInterface&) = delete;
    virtual ~MediaInterface() = default;
};

enum class PinDirection : std::uint8_t {
    input = 0,   // PINDIR_INPUT
    output = 1,  // PINDIR_OUTPUT
};

// IPin.
class Pin : public MediaInterface {
public:
    [[nodiscard]] virtual MediaAnswer<PinDirection> queryDirection() = 0;
};

// IEnumPins.
class PinEnumerator : public MediaInterface {
public:
    // Next(1, …): resultOk with one pin, resultFalse with none when the pins are used up,
    // or a failure.
    [[nodiscard]] virtual Obtained<Pin> next() = 0;
};

// A Load that runs on a thread of its own (FileSource::startLoad). Giving the handle up
// before Load has returned abandons the open: the source is asked to stop opening, and
// whatever Load answers later is never seen.
class PendingLoad : public MediaInterface {
public:
    // Load's answer, once the window has been told that Load returned.
    [[nodiscard]] virtual HResult result() = 0;
};

// IFileSourceFilter.
class FileSource : public MediaInterface {
public:
    // Load(address, no media type): blocks until the address is opened or the attempt fails.
    [[nodiscard]] virtual HResult load(std::u16string_view address) = 0;
    // The same Load on a thread of its own; returns at once. When Load has returned,
    // `message` is posted to `window` with `ticket` as its first parameter.
    [[nodiscard]] virtual Obtained<PendingLoad> startLoad(std::u16string_view address, NativeWindow window,
                                                          std::uint32_t message, std::uintptr_t ticket) = 0;
};

inline constexpr std::uint32_t vmrModeWindowed = 1;             // VMRMode_Windowed
inline constexpr std::uint32_t mixerBiLinearFiltering = 0x10;   // MixerPref_BiLinearFiltering
inline constexpr std::uint32_t mixerPointFiltering = 0x20;      // MixerPref_PointFiltering
inline constexpr std::uint32_t alphaBitmapFromDc = 0x2;         // VMRBITMAP_HDC
inline constexpr std::uint32_t alphaBitmapSourceColourKey = 0x8;  // VMRBITMAP_SRCCOLORKEY

// WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN: the video window as a child of the main window.
inline constexpr std::int32_t childVideoWindowStyle = 0x40000000 | 0x04000000 | 0x02000000;

// IVMRFilterConfig.
class RendererConfig : public MediaInterface {
public:
    [[nodiscard]] virtual HResult setRenderingMode(std::uint32_t mode) = 0;
    [[nodiscard]] virtual HResult setNumberOfStreams(std::uint32_t count) = 0;
};

// IVMRWindowlessControl.
class WindowlessControl : public MediaInterface {
public:
    [[nodiscard]] virtual HResult setVideoClippingWindow(NativeWindow window) = 0;
    [[nodiscard]] virtual HResult setBorderColor(std::uint32_t colour) = 0;  // a COLORREF, 0x00bbggrr
};

// IVMRMixerControl.
class MixerControl : public MediaInterface {
public:
    [[nodiscard]] virtual MediaAnswer<std::uint32_t> getMixingPrefs() = 0;
    [[nodiscard]] virtual HResult setMixingPrefs(std::uint32_t prefs) = 0;
};

// A rectangle in coordinates normalised to the video area (0 to 1 spans the video).
struct NormalisedRect {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
    friend bool operator==(const NormalisedRect&, const NormalisedRect&) = default;
};

// The members of VMRALPHABITMAP that the logic decides; the device context is the one the
// adapter drew the picture into, and no surface is handed over.
struct AlphaBitmapParameters {
    std::uint32_t flags = 0;  // VMRBITMAP_* bits
    Rect source;              // part of the picture, in its pixels
    NormalisedRect destination;
    float alpha = 0;
    std::uint32_t sourceColourKey = 0;  // COLORREF of the transparent colour
    friend bool operator==(const AlphaBitmapParameters&, const AlphaBitmapParameters&) = default;
};

// What goes into the overlay picture: a memory bitmap compatible with the main window's
// display, filled with the background colour, then the text drawn from the top left corner
// (DrawTextW format 0) and, if present, the bottom line drawn as one line, centred at the
// bottom. Both in the system's icon-title font at the given cell height.
struct OverlayPicture {
    Size size;
    int fontHeight = 0;
    std::uint32_t textColour = 0;        // COLORREF
    std::uint32_t backgroundColour = 0;  // COLORREF, drawn opaque
    std::u16string text;
    std::optional<std::u16string> bottomLine;
    friend bool operator==(const OverlayPicture&, const OverlayPicture&) = default;
};

// IVMRMixerBitmap.
class MixerBitmap : public MediaInterface {
public:
    // Draws the picture and hands it to the renderer with SetAlphaBitmap; the renderer
    // keeps its own copy, and every drawing object is deleted before this returns.
    [[nodiscard]] virtual HResult setAlphaBitmap(const OverlayPicture& picture,
                                   const AlphaBitmapParameters& parameters) = 0;
};

// IBaseFilter: the stream source or the video renderer, with the interfaces asked of them.
class BaseFilter : public MediaInterface {
public:
    [[nodiscard]] virtual Obtained<FileSource> queryFileSource() = 0;
    [[nodiscard]] virtual Obtained<PinEnumerator> enumPins() = 0;
    [[nodiscard]] virtual Obtained<RendererConfig> queryRendererConfig() = 0;
    [[nodiscard]] virtual Obtained<WindowlessControl> queryWindowlessControl() = 0;
    [[nodiscard]] virtual Obtained<MixerControl> queryMixerControl() = 0;
    [[nodiscard]] virtual Obtained<MixerBitmap> queryMixerBitmap() = 0;
};

inline constexpr std::int32_t oaFalse = 0;  // OAFALSE
inline constexpr std::int32_t oaTrue = -1;  // OATRUE

// IVideoWindow.
class VideoWindow : public MediaInterface {
public:
    [[nodiscard]] virtual HResult putOwner(NativeWindow owner) = 0;
    [[nodiscard]] virtual HResult putWindowStyle(std::int32_t style) = 0;  // WS_* bits
    // Position and size in the owner's client coordinates; the video is scaled to it.
    [[nodiscard]] virtual HResult setWindowPosition(const Rect& rect) = 0;
    [[nodiscard]] virtual MediaAnswer<std::int32_t> getFullScreenMode() = 0;  // oaFalse, oaTrue
    [[nodiscard]] virtual HResult putFullScreenMode(std::int32_t mode) = 0;
    [[nodiscard]] virtual MediaAnswer<NativeWindow> getMessageDrain() = 0;
    [[nodiscard]] virtual HResult putMessageDrain(NativeWindow drain) = 0;
    [[nodiscard]] virtual HResult setWindowForeground(std::int32_t focus) = 0;
};

// IBasicVideo.
class BasicVideo : public MediaInterface {
public:
    [[nodiscard]] virtual MediaAnswer<Size> getVideoSize() = 0;
    [[nodiscard]] virtual MediaAnswer<double> getAvgTimePerFrame() = 0;  // seconds
};

// IBasicAudio.
class BasicAudio : public MediaInterface {
public:
    // Hundredths of a decibel, from -10000 (silence) to 0 (full level).
    [[nodiscard]] virtual HResult putVolume(std::int32_t level) = 0;
};

// IMediaControl.
class MediaControl : public MediaInterface {
public:
    [[nodiscard]] virtual HResult run() = 0;
    [[nodiscard]] virtual HResult pause() = 0;
};

// One queued graph event (EC_* code and its two parameters).
struct GraphEvent {
    std::int32_t code = 0;
    std::intptr_t param1 = 0;
    std::intptr_t param2 = 0;
    friend bool operator==(const GraphEvent&, const GraphEvent&) = default;
};

inline constexpr std::int32_t eventBufferingData = 17;  // EC_BUFFERING_DATA

// IMediaEventEx.
class MediaEvent : public MediaInterface {
public:
    // Afterwards the graph posts the message to the window whenever events are queued.
    [[nodiscard]] virtual HResult setNotifyWindow(NativeWindow window, std::uint32_t message,
                                    std::intptr_t instanceData) = 0;
    // The next queued event, waiting at most the time-out; a failure when there is none.
    [[nodiscard]] virtual MediaAnswer<GraphEvent> getEvent(std::int32_t timeoutMs) = 0;
    [[nodiscard]] virtual HResult freeEventParams(const GraphEvent& event) = 0;
};

// IGraphBuilder, with the interfaces the player asks of the filter graph manager.
class GraphBuilder : public MediaInterface {
public:
    [[nodiscard]] virtual Obtained<VideoWindow> queryVideoWindow() = 0;
    [[nodiscard]] virtual Obtained<BasicVideo> queryBasicVideo() = 0;
    [[nodiscard]] virtual Obtained<BasicAudio> queryBasicAudio() = 0;
    [[nodiscard]] virtual Obtained<MediaControl> queryMediaControl() = 0;
    [[nodiscard]] virtual Obtained<MediaEvent> queryMediaEvent() = 0;
    [[nodiscard]] virtual HResult addFilter(BaseFilter& filter, std::u16string_view name) = 0;
    // Takes a filter out of the graph again; the caller's own reference stays.
    [[nodiscard]] virtual HResult removeFilter(BaseFilter& filter) = 0;
    // Builds the chain from an output pin to a renderer, the graph's own renderers first.
    [[nodiscard]] virtual HResult render(Pin& pin) = 0;
};

// The three objects the player creates (CoCreateInstance, in-process).
class MediaFrameworkPort {
public:
    virtual ~MediaFrameworkPort() = default;

    [[nodiscard]] virtual Obtained<GraphBuilder> createFilterGraph() = 0;
    [[nodiscard]] virtual Obtained<BaseFilter> createAsfReader() = 0;
    // The program's own source for internet streams: HLS, and MPEG-TS, MP3 or AAC over HTTP.
    // It opens its address in Load, as the ASF reader does.
    [[nodiscard]] virtual Obtained<BaseFilter> createStreamSource() = 0;
    [[nodiscard]] virtual Obtained<BaseFilter> createVideoMixingRenderer() = 0;
};

}  // namespace telvia

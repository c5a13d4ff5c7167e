#include "playback/stream_graph.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <utility>

#include "app/window_messages.h"
#include "common/utf16.h"
#include "playback/overlay.h"
#include "playback/video_placement.h"

namespace telvia {

namespace {

constexpr std::size_t titleMaxLength = 519;    // a title buffer of 520 units
constexpr std::size_t failureMaxLength = 1023;  // a report buffer of 1024 units
constexpr std::size_t statusMaxLength = 259;    // a status buffer of 260 units

std::u16string hexLowerCase(HResult result)
{
    char digits[16];
    const auto end = std::to_chars(std::begin(digits), std::end(digits),
                                   static_cast<std::uint32_t>(result), 16).ptr;
    return asciiToUtf16(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

}  // namespace

namespace {

// Takes what a call handed over into its field; a failure is reported with the call's
// text and ends the connect.
template <typename Interface>
[[nodiscard]] bool take(Obtained<Interface> obtained, MediaRef<Interface>& field,
                        const AppState& state, Ports& ports, std::string_view failure)
{
    field = std::move(obtained.value);
    if (obtained.result < 0) {
        reportGraphFailure(state, ports, failure, obtained.result);
        return false;
    }
    return true;
}

[[nodiscard]] bool succeeded(HResult result, const AppState& state, Ports& ports,
                             std::string_view failure)
{
    if (result < 0) {
        reportGraphFailure(state, ports, failure, result);
        return false;
    }
    return true;
}

// Asks the graph for its control interfaces and registers the main window for events.
[[nodiscard]] bool obtainGraphInterfaces(AppState& state, Ports& ports)
{
    PlayerGraph& graph = state.graph;
    GraphBuilder& builder = *graph.graphBuilder;
    return take(builder.queryVideoWindow(), graph.videoWindow, state, ports,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IVideoWindow, (void **)&pVW)\n") &&
           take(builder.queryBasicVideo(), graph.basicVideo, state, ports,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IBasicVideo, (void **)&pBV)\n") &&
           take(builder.queryBasicAudio(), graph.basicAudio, state, ports,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IBasicAudio, (void **)&pBA)\n") &&
           take(builder.queryMediaControl(), graph.mediaControl, state, ports,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IMediaControl, (void **)&pMC)\n") &&
           take(builder.queryMediaEvent(), graph.mediaEvent, state, ports,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME)\n") &&
           succeeded(graph.mediaEvent->setNotifyWindow(ports.windowControl.handle(),
                                                       graphNotifyMessage, 0),
                     state, ports,
                     "FAILED(hr=0x%x) in pME->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)\n");
}

// Creates the ASF reader, puts it into the graph and asks it for its file source.
[[nodiscard]] bool addSource(AppState& state, Ports& ports)
{
    PlayerGraph& graph = state.graph;
    return take(ports.media.createAsfReader(), graph.sourceFilter, state, ports,
                "FAILED(hr=0x%x) in CoCreateInstance( CLSID_WMAsfReader, NULL, "
                "CLSCTX_INPROC_SERVER, IID_IBaseFilter, (void**)&pBF)\n") &&
           succeeded(graph.graphBuilder->addFilter(*graph.sourceFilter, u"WMASFReader"), state,
                     ports, "FAILED(hr=0x%x) in pGB->AddFilter( pBF, L\"WMASFReader\")\n") &&
           take(graph.sourceFilter->queryFileSource(), graph.fileSource, state, ports,
                "FAILED(hr=0x%x) in pBF->QueryInterface(IID_IFileSourceFilter, (void**)&pFS)\n");
}

// Tells the user the address did not open and leaves no graph, an empty name (so a
// reconnect does nothing and exit saves no channel to restore) and a usable window.
void reportConnectionFailure(AppState& state, Ports& ports)
{
    ports.messages.showInformation(MessageOwner::mainWindow, u"Connection failed!",
                                   state.productName.view());
    state.current.name.clear();
    tearDownGraph(state, ports);
    ports.windowControl.enable(true);
    ports.window.showNormal();
    ports.windowControl.setFocus();
}

// Load blocks until the stream is open or the attempt fails; the window takes no input
// meanwhile and is usable again on both outcomes.
[[nodiscard]] bool openAddress(AppState& state, Ports& ports)
{
    ports.windowControl.enable(false);
    if (state.graph.fileSource->load(state.current.address.view()) < 0) {
        reportConnectionFailure(state, ports);
        return false;
    }
    ports.windowControl.enable(true);
    ports.windowControl.setFocus();
    return true;
}

// Renders every output pin of the source; the graph picks the renderer of each stream.
// Counts the output pins it found.
[[nodiscard]] bool renderSourcePins(AppState& state, Ports& ports, int& outputPins)
{
    PlayerGraph& graph = state.graph;
    if (!take(graph.sourceFilter->enumPins(), graph.pinEnum, state, ports,
              "FAILED(hr=0x%x) in pBF->EnumPins(&pEnumPins)\n")) {
        return false;
    }
    for (;;) {
        const Obtained<Pin> fetched = graph.pinEnum->next();
        if (fetched.result != resultOk || !fetched.value) {
            break;
        }
        const MediaAnswer<PinDirection> direction = fetched.value->queryDirection();
        if (direction.result >= 0 && direction.value == PinDirection::output) {
            ++outputPins;
            graph.graphBuilder->render(*fetched.value);
        }
    }  // each pin is released as soon as it has been looked at
    return true;
}

// Makes the renderer's window a child of the main window and places the video. Without
// an owner the stream plays on with no video size, which keeps placement switched off.
[[nodiscard]] bool setUpVideoWindow(AppState& state, Ports& ports)
{
    PlayerGraph& graph = state.graph;
    state.videoWidth = 0;
    state.videoHeight = 0;
    if (graph.videoWindow->putOwner(ports.windowControl.handle()) < 0) {
        return true;
    }
    if (!succeeded(graph.videoWindow->putWindowStyle(childVideoWindowStyle), state, ports,
                   "FAILED(hr=0x%x) in pVW->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | "
                   "WS_CLIPCHILDREN)\n")) {
        return false;
    }
    const Size size = graph.basicVideo->getVideoSize().value;
    state.videoWidth = size.width;
    state.videoHeight = size.height;
    placeVideo(state, ports);
    return true;
}

}  // namespace

void connectChannel(AppState& state, Ports& ports, const TranslationTable& translations)
{
    tearDownGraph(state, ports);
    if (state.current.name.empty() || state.current.address.empty()) {
        return;
    }
    showStatusWord(state, ports, translations, "CONNECTING");

    PlayerGraph& graph = state.graph;
    if (!take(ports.media.createFilterGraph(), graph.graphBuilder, state, ports,
              "FAILED(hr=0x%x) in CoCreateInstance(CLSID_FilterGraph, NULL, "
              "CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB)\n") ||
        !obtainGraphInterfaces(state, ports) || !addSource(state, ports)) {
        return;
    }
    addVideoRenderer(state, ports);
    int outputPins = 0;
    if (!openAddress(state, ports) || !renderSourcePins(state, ports, outputPins)) {
        return;
    }
    // Some sources accept any address and only then turn out to carry no stream; that is a
    // failed connection too, not a black window that waits forever.
    if (outputPins == 0) {
        reportConnectionFailure(state, ports);
        return;
    }
    if (!setUpVideoWindow(state, ports)) {
        return;
    }

    // Every connect starts silent; the timer fades the volume in.
    graph.basicAudio->putVolume(state.volumeSteps[0]);
    graph.mediaControl->run();
    state.playing = 1;
    ports.screen.setScreenSaverActive(false);
    drawOverlay(state, ports, state.current.name.view(), false);
    state.overlayTicks = 0;
}

void addVideoRenderer(AppState& state, Ports& ports)
{
    PlayerGraph& graph = state.graph;
    const Obtained<BaseFilter> created = ports.media.createVideoMixingRenderer();
    if (created.result < 0 || !created.value) {
        return;
    }
    BaseFilter& renderer = *created.value;
    if (graph.graphBuilder->addFilter(renderer, u"Video Mixing Renderer") < 0) {
        return;
    }
    if (const Obtained<RendererConfig> config = renderer.queryRendererConfig();
        config.result >= 0 && config.value) {
        config.value->setRenderingMode(vmrModeWindowed);
        // More than zero streams switches the renderer into mixing mode, which the overlay
        // needs.
        config.value->setNumberOfStreams(1);
    }
    if (Obtained<WindowlessControl> windowless = renderer.queryWindowlessControl();
        windowless.result >= 0 && windowless.value) {
        graph.windowlessControl = std::move(windowless.value);
        graph.windowlessControl->setVideoClippingWindow(ports.windowControl.handle());
        graph.windowlessControl->setBorderColor(0);
    }
    if (const Obtained<MixerControl> mixer = renderer.queryMixerControl();
        mixer.result >= 0 && mixer.value) {
        // Point filtering keeps the overlay's small text sharp when it is stretched.
        if (const MediaAnswer<std::uint32_t> prefs = mixer.value->getMixingPrefs();
            prefs.result >= 0) {
            mixer.value->setMixingPrefs((prefs.value & ~mixerBiLinearFiltering) |
                                        mixerPointFiltering);
        }
    }
    if (Obtained<MixerBitmap> bitmap = renderer.queryMixerBitmap(); bitmap.result >= 0) {
        graph.mixerBitmap = std::move(bitmap.value);
    }
}  // the graph keeps the renderer alive once the local reference goes

void tearDownGraph(AppState& state, Ports& ports)
{
    state.playing = 0;
    updateTitle(state, ports, u"");
    state.fadeStep = 0;
    state.fullScreen = 0;

    // In this order. No Stop first: the last reference to the graph stops and destroys
    // it, and the renderer's video window with it.
    PlayerGraph& graph = state.graph;
    graph.windowlessControl.reset();
    graph.mixerBitmap.reset();
    graph.pinEnum.reset();
    graph.mediaEvent.reset();
    graph.mediaControl.reset();
    graph.basicAudio.reset();
    graph.basicVideo.reset();
    graph.videoWindow.reset();
    graph.fileSource.reset();
    graph.sourceFilter.reset();
    graph.graphBuilder.reset();

    ports.screen.setScreenSaverActive(true);
}

void updateTitle(const AppState& state, Ports& ports, std::u16string_view status)
{
    std::u16string title(state.productName.view());
    if (!state.current.name.empty()) {
        title += u"  [ ";
        title += state.current.name.view();
        title += u" ]";
        if (!status.empty()) {
            title += u"  ";
            title += status;
        }
    }
    title.resize(std::min(title.size(), titleMaxLength));
    ports.window.setTitle(title);
}

void showStatusWord(const AppState& state, Ports& ports, const TranslationTable& translations,
                    std::string_view key)
{
    std::u16string status =
        lookupTextUtf16(translations, ports.textConversion, commonTexts, key, "");
    status.resize(std::min(status.size(), statusMaxLength));
    updateTitle(state, ports, status);
}

void reportGraphFailure(const AppState& state, Ports& ports, std::string_view format,
                        HResult result)
{
    std::u16string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format.substr(i, 2) == "%x") {
            text += hexLowerCase(result);
            ++i;
        } else {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(format[i])));
        }
    }
    text.resize(std::min(text.size(), failureMaxLength));
    ports.messages.showInformation(MessageOwner::none, text, state.productName.view());
}

}  // namespace telvia

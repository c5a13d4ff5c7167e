// Building and releasing the player's stream graph.
#include "playback/player.h"

#include <utility>

#include "platform/window_messages.h"
#include "playback/stream/address_classification.h"

namespace telvia {

// Takes what a call handed over into its field; a failure is reported with the call's
// text and ends the connect.
template <typename Interface>
bool Player::take(Obtained<Interface> obtained, MediaRef<Interface>& field,
                  std::string_view failure)
{
    field = std::move(obtained.value);
    if (obtained.result < 0) {
        reportFailure(failure, obtained.result);
        return false;
    }
    return true;
}

bool Player::succeeded(HResult result, std::string_view failure)
{
    if (result < 0) {
        reportFailure(failure, result);
        return false;
    }
    return true;
}

// Asks the graph for its control interfaces and registers the main window for events.
bool Player::obtainGraphInterfaces()
{
    PlayerGraph& graph = state_.graph;
    GraphBuilder& builder = *graph.graphBuilder;
    return take(builder.queryVideoWindow(), graph.videoWindow,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IVideoWindow, (void **)&pVW)\n") &&
           take(builder.queryBasicVideo(), graph.basicVideo,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IBasicVideo, (void **)&pBV)\n") &&
           take(builder.queryBasicAudio(), graph.basicAudio,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IBasicAudio, (void **)&pBA)\n") &&
           take(builder.queryMediaControl(), graph.mediaControl,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IMediaControl, (void **)&pMC)\n") &&
           take(builder.queryMediaEvent(), graph.mediaEvent,
                "FAILED(hr=0x%x) in pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME)\n") &&
           succeeded(graph.mediaEvent->setNotifyWindow(ports_.window.handle(),
                                                       graphNotifyMessage, 0),
                     "FAILED(hr=0x%x) in pME->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)\n");
}

// Creates the source of the route (the program's own for internet streams, the system's
// ASF reader for Windows Media and local files), puts it into the graph under the source's
// one name and asks it for its file source.
bool Player::addSource(stream::AddressRoute route)
{
    PlayerGraph& graph = state_.graph;
    const bool created =
        route == stream::AddressRoute::streamSource
            ? take(ports_.media.createStreamSource(), graph.sourceFilter,
                   "FAILED(hr=0x%x) in creating the stream source\n")
            : take(ports_.media.createAsfReader(), graph.sourceFilter,
                   "FAILED(hr=0x%x) in CoCreateInstance( CLSID_WMAsfReader, NULL, "
                   "CLSCTX_INPROC_SERVER, IID_IBaseFilter, (void**)&pBF)\n");
    return created &&
           succeeded(graph.graphBuilder->addFilter(*graph.sourceFilter, u"WMASFReader"),
                     "FAILED(hr=0x%x) in pGB->AddFilter( pBF, L\"WMASFReader\")\n") &&
           take(graph.sourceFilter->queryFileSource(), graph.fileSource,
                "FAILED(hr=0x%x) in pBF->QueryInterface(IID_IFileSourceFilter, (void**)&pFS)\n");
}

// Takes the source out of the graph and puts the ASF reader in its place, under the same
// name; a failing step is reported and leaves what was acquired for the next tear-down.
bool Player::replaceSourceWithAsfReader()
{
    PlayerGraph& graph = state_.graph;
    graph.fileSource.reset();
    const HResult removed = graph.graphBuilder->removeFilter(*graph.sourceFilter);
    graph.sourceFilter.reset();
    return succeeded(removed, "FAILED(hr=0x%x) in pGB->RemoveFilter(pBF)\n") &&
           addSource(stream::AddressRoute::asfReader);
}

// Tells the user the address did not open and leaves no graph, an empty name (so a
// reconnect does nothing and exit saves no channel to restore) and a usable window.
void Player::reportConnectionFailure()
{
    ports_.messages.showInformation(MessageOwner::mainWindow, u"Connection failed!",
                                    context_.productName.view());
    context_.current.name.clear();
    tearDown();
    ports_.window.enable(true);
    ports_.window.showNormal();
    ports_.window.setFocus();
}

// Load blocks until the stream is open or the attempt fails; the window takes no input
// meanwhile and is usable again on all outcomes.
bool Player::openAddress(stream::AddressRoute route)
{
    // An address no source may open is not handed to one: a network share named in a
    // shared channel file would make the system send the user's sign-in to that host.
    if (route == stream::AddressRoute::none) {
        reportConnectionFailure();
        return false;
    }
    const std::u16string_view address = context_.current.address.view();
    ports_.window.enable(false);
    HResult loaded = state_.graph.fileSource->load(address);
    // An address whose path does not tell its format comes to the program's own source,
    // which answers "unknown file type" for what it does not read: above all Windows Media
    // served over HTTP. Then the ASF reader tries the same address, and its answer counts.
    if (loaded == resultUnknownFileType && route == stream::AddressRoute::streamSource) {
        if (!replaceSourceWithAsfReader()) {
            ports_.window.enable(true);
            return false;
        }
        loaded = state_.graph.fileSource->load(address);
    }
    if (loaded < 0) {
        reportConnectionFailure();
        return false;
    }
    ports_.window.enable(true);
    ports_.window.setFocus();
    return true;
}

// Renders every output pin of the source; the graph picks the renderer of each stream.
// Counts the output pins it found.
bool Player::renderSourcePins(int& outputPins)
{
    PlayerGraph& graph = state_.graph;
    if (!take(graph.sourceFilter->enumPins(), graph.pinEnum,
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
            // A stream the system cannot render stays silent or dark; the others still play.
            (void)graph.graphBuilder->render(*fetched.value);
        }
    }  // each pin is released as soon as it has been looked at
    return true;
}

// Makes the renderer's window a child of the main window and places the video. Without
// an owner the stream plays on with no video size, which keeps placement switched off.
bool Player::setUpVideoWindow()
{
    PlayerGraph& graph = state_.graph;
    state_.videoWidth = 0;
    state_.videoHeight = 0;
    if (graph.videoWindow->putOwner(ports_.window.handle()) < 0) {
        return true;
    }
    if (!succeeded(graph.videoWindow->putWindowStyle(childVideoWindowStyle),
                   "FAILED(hr=0x%x) in pVW->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | "
                   "WS_CLIPCHILDREN)\n")) {
        return false;
    }
    const Size size = graph.basicVideo->getVideoSize().value;
    state_.videoWidth = size.width;
    state_.videoHeight = size.height;
    placeVideo();
    return true;
}

void Player::connect()
{
    tearDown();
    if (context_.current.name.empty() || context_.current.address.empty()) {
        return;
    }
    showStatusWord("CONNECTING");

    const stream::AddressRoute route = stream::routeOfAddress(context_.current.address.view());
    PlayerGraph& graph = state_.graph;
    if (!take(ports_.media.createFilterGraph(), graph.graphBuilder,
              "FAILED(hr=0x%x) in CoCreateInstance(CLSID_FilterGraph, NULL, "
              "CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB)\n") ||
        !obtainGraphInterfaces() || !addSource(route)) {
        return;
    }
    addVideoRenderer();
    int outputPins = 0;
    if (!openAddress(route) || !renderSourcePins(outputPins)) {
        return;
    }
    // Some sources accept any address and only then turn out to carry no stream; that is a
    // failed connection too, not a black window that waits forever.
    if (outputPins == 0) {
        reportConnectionFailure();
        return;
    }
    if (!setUpVideoWindow()) {
        return;
    }

    // Every connect starts silent; the timer fades the volume in. A graph that cannot
    // run, or has no audio to set, shows it by staying dark or silent: nothing to report.
    (void)graph.basicAudio->putVolume(state_.volumeSteps[0]);
    (void)graph.mediaControl->run();
    state_.playing = 1;
    ports_.screen.setScreenSaverActive(false);
    drawOverlay(context_.current.name.view(), false);
    state_.overlayTicks = 0;
}

void Player::addVideoRenderer()
{
    PlayerGraph& graph = state_.graph;
    const Obtained<BaseFilter> created = ports_.media.createVideoMixingRenderer();
    if (created.result < 0 || !created.value) {
        return;
    }
    BaseFilter& renderer = *created.value;
    if (graph.graphBuilder->addFilter(renderer, u"Video Mixing Renderer") < 0) {
        return;
    }
    if (const Obtained<RendererConfig> config = renderer.queryRendererConfig();
        config.result >= 0 && config.value) {
        // Whatever the renderer refuses here only costs the overlay, never the video.
        (void)config.value->setRenderingMode(vmrModeWindowed);
        // More than zero streams switches the renderer into mixing mode, which the overlay
        // needs.
        (void)config.value->setNumberOfStreams(1);
    }
    if (Obtained<WindowlessControl> windowless = renderer.queryWindowlessControl();
        windowless.result >= 0 && windowless.value) {
        graph.windowlessControl = std::move(windowless.value);
        (void)graph.windowlessControl->setVideoClippingWindow(ports_.window.handle());
        (void)graph.windowlessControl->setBorderColor(0);
    }
    if (const Obtained<MixerControl> mixer = renderer.queryMixerControl();
        mixer.result >= 0 && mixer.value) {
        // Point filtering keeps the overlay's small text sharp when it is stretched.
        if (const MediaAnswer<std::uint32_t> prefs = mixer.value->getMixingPrefs();
            prefs.result >= 0) {
            (void)mixer.value->setMixingPrefs((prefs.value & ~mixerBiLinearFiltering) |
                                              mixerPointFiltering);
        }
    }
    if (Obtained<MixerBitmap> bitmap = renderer.queryMixerBitmap(); bitmap.result >= 0) {
        graph.mixerBitmap = std::move(bitmap.value);
    }
}  // the graph keeps the renderer alive once the local reference goes

void Player::tearDown()
{
    state_.playing = 0;
    showTitle(u"");
    state_.fadeStep = 0;
    state_.fullScreen = 0;

    // In this order. No Stop first: the last reference to the graph stops and destroys
    // it, and the renderer's video window with it.
    PlayerGraph& graph = state_.graph;
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

    ports_.screen.setScreenSaverActive(true);
}

}  // namespace telvia

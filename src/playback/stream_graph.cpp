// Building and releasing the player's stream graph.
#include "playback/player.h"

#include <functional>
#include <string_view>
#include <utility>

#include "platform/window_messages.h"
#include "playback/source_opening.h"
#include "playback/stream/address/address_classification.h"

namespace telvia {

namespace {

// The report of a step that failed, in the words of the call that failed.
std::string_view failureOf(SourceStep step)
{
    switch (step) {
    case SourceStep::createStreamSource:
        return "FAILED(hr=0x%x) in creating the stream source\n";
    case SourceStep::createAsfReader:
        return "FAILED(hr=0x%x) in CoCreateInstance( CLSID_WMAsfReader, NULL, "
               "CLSCTX_INPROC_SERVER, IID_IBaseFilter, (void**)&pBF)\n";
    case SourceStep::addToGraph:
        return "FAILED(hr=0x%x) in pGB->AddFilter( pBF, L\"WMASFReader\")\n";
    case SourceStep::queryFileSource:
        return "FAILED(hr=0x%x) in pBF->QueryInterface(IID_IFileSourceFilter, (void**)&pFS)\n";
    case SourceStep::removeFromGraph:
        return "FAILED(hr=0x%x) in pGB->RemoveFilter(pBF)\n";
    case SourceStep::load:
        break;  // a failed Load is a failed connection, told in its own words
    }
    return {};
}

// Reports the first step that failed with its call's words.
class ReportedSteps final : public SourceSteps {
public:
    explicit ReportedSteps(std::function<void(std::string_view, HResult)> report) : report_(std::move(report)) {}

    void end(SourceStep step, HResult result) override
    {
        if (result < 0 && step != SourceStep::load) {
            report_(failureOf(step), result);
        }
    }

private:
    std::function<void(std::string_view, HResult)> report_;
};

}  // namespace

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

// Creates the source of the route, puts it into the graph and asks it for its file
// source; a failing step is reported and leaves what was acquired for the next tear-down.
bool Player::addSource(stream::AddressRoute route)
{
    PlayerGraph& graph = state_.graph;
    ReportedSteps steps([this](std::string_view failure, HResult result) { reportFailure(failure, result); });
    return addGraphSource(ports_.media, *graph.graphBuilder, route, {graph.sourceFilter, graph.fileSource}, steps);
}

// Tells the user the address did not open and leaves no graph, an empty name (so a
// reconnect does nothing and no way of closing saves a channel that did not open) and a
// usable window. The name goes before the box: a close handled inside the box's message
// loop runs the exit with it.
void Player::reportConnectionFailure()
{
    context_.current.name.clear();
    tearDown();
    showFailure(MessageOwner::mainWindow, u"Connection failed!");
    ports_.window.showNormal();
    ports_.window.setFocus();
}

// Starts the source's Load on a thread of its own; the window stays free meanwhile, and
// onSourceLoaded goes on once Load has returned.
void Player::startOpening(stream::AddressRoute route)
{
    // An address no source may open is not handed to one: a network share named in a
    // shared channel file would make the system send the user's sign-in to that host.
    if (route == stream::AddressRoute::none) {
        reportConnectionFailure();
        return;
    }
    Obtained<PendingLoad> started = state_.graph.fileSource->startLoad(
        context_.current.address.view(), ports_.window.handle(), sourceLoadedMessage, ++state_.loadTicket);
    if (started.result < 0 || !started.value) {
        // No thread to load on: the address did not open.
        reportConnectionFailure();
        return;
    }
    state_.pendingLoad = std::move(started.value);
    state_.loadRoute = route;
}

void Player::onSourceLoaded(std::uintptr_t ticket)
{
    // The end of an open given up for another channel, a stop or a tear-down.
    if (!state_.pendingLoad || ticket != state_.loadTicket) {
        return;
    }
    const HResult loaded = state_.pendingLoad->result();
    state_.pendingLoad.reset();
    const stream::AddressRoute route = std::exchange(state_.loadRoute, stream::AddressRoute::none);
    if (fallsBackToAsfReader(route, loaded)) {
        PlayerGraph& graph = state_.graph;
        ReportedSteps steps([this](std::string_view failure, HResult result) { reportFailure(failure, result); });
        if (replaceWithAsfReader(ports_.media, *graph.graphBuilder, {graph.sourceFilter, graph.fileSource}, steps)) {
            startOpening(stream::AddressRoute::asfReader);
        }
        return;
    }
    if (loaded < 0) {
        reportConnectionFailure();
        return;
    }
    finishConnect();
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
    startOpening(route);
}

// The rest of a connect once the source has opened its address: the streams rendered, the
// video placed, the graph started silent.
void Player::finishConnect()
{
    PlayerGraph& graph = state_.graph;
    int outputPins = 0;
    if (!renderSourcePins(outputPins)) {
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

    // An open in progress first: its source is told to give up, and its end, posted
    // later, finds no load to finish.
    state_.pendingLoad.reset();
    state_.loadRoute = stream::AddressRoute::none;

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

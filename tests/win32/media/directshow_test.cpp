// The DirectShow adapter on real COM: the ids it creates objects by, the three objects,
// and a whole connect of the portable logic to a local demo file through the real media,
// window and screen adapters (the other ports are the recording fakes, so that no message
// box can block the run). Also the window adapter's promise that a move re-enters the
// window procedure with WM_SIZE before it returns.
//
// What the framework does beyond its promises (which interfaces it offers, the video size,
// the events) differs between Wine and Windows; those answers are printed, not asserted.
#include <windows.h>

#include <dshow.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "demo_media.h"
#include "fake_ports.h"
#include "playback/player.h"
#include "platform/window_messages.h"
#include "platform/win32/media/directshow_ids.h"
#include "platform/win32/desktop/win32_main_window.h"
#include "platform/win32/media/win32_media.h"
#include "platform/win32/desktop/win32_window_control.h"

namespace {

using namespace telvia;
using telvia::testing::demoFile;
using telvia::testing::pumpMessages;

// What the test window received.
struct Received {
  int graphNotifications = 0;
  int sizeMessages = 0;
  std::vector<WPARAM> loadedTickets;  // ends of the source's Load, as posted
};
Received received;

LRESULT CALLBACK testWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == graphNotifyMessage) {
    ++received.graphNotifications;
    return 0;
  }
  if (message == sourceLoadedMessage) {
    received.loadedTickets.push_back(wParam);
    return 0;
  }
  if (message == WM_SIZE) {
    ++received.sizeMessages;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Connects and, as the main window does, finishes the connect once the source's Load,
// which runs on a thread of its own, has posted its end.
void connectAndFinish(Player& player) {
  received.loadedTickets.clear();
  player.connect();
  const DWORD start = GetTickCount();
  while (player.opening() && GetTickCount() - start < 10000) {
    pumpMessages(10);
    for (const WPARAM ticket : std::exchange(received.loadedTickets, {})) {
      player.onSourceLoaded(ticket);
    }
  }
}

constexpr const wchar_t* kWindowClass = L"TelviaDirectShowTest";

std::string hex(HResult result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
  return text;
}

class DirectShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GE(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), 0);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = testWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassExW(&windowClass);
    // A menu bar, as the main window has: the frame the screen adapter reports counts it.
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 1, L"&Control");
    mainWindow_ = CreateWindowExW(0, kWindowClass, L"Telvia", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  100, 100, 416, 359, nullptr, menu, GetModuleHandleW(nullptr),
                                  nullptr);
    ASSERT_NE(mainWindow_, nullptr);
    ShowWindow(mainWindow_, SW_SHOWNORMAL);
    window_.attach(mainWindow_);
    received = {};
  }

  void TearDown() override {
    if (mainWindow_ != nullptr) {
      DestroyWindow(mainWindow_);
    }
    UnregisterClassW(kWindowClass, GetModuleHandleW(nullptr));
    CoUninitialize();
  }

  HWND mainWindow_ = nullptr;
  win32::Win32MainWindow window_;
  win32::Win32MediaFramework media_{window_};
  win32::Win32WindowControl windowControl_{window_};
  win32::Win32Screen screen_;
  fakes::FakePlatform fakes_;
  PlayerPorts ports_{media_, windowControl_, screen_, fakes_.messages, window_,
                     fakes_.textConversion};
};

TEST(DirectShowIdsTest, OurIdsAreTheSdksIds) {
  const struct {
    const char* name;
    const GUID& ours;
    const GUID& sdk;
  } cases[] = {
      {"CLSID_FilterGraph", win32::clsidFilterGraph, CLSID_FilterGraph},
      {"CLSID_WMAsfReader", win32::clsidWmAsfReader, CLSID_WMAsfReader},
      {"CLSID_VideoMixingRenderer", win32::clsidVideoMixingRenderer, CLSID_VideoMixingRenderer},
      {"IID_IVMRFilterConfig", win32::iidVmrFilterConfig, IID_IVMRFilterConfig},
      {"IID_IVMRWindowlessControl", win32::iidVmrWindowlessControl, IID_IVMRWindowlessControl},
      {"IID_IVMRMixerControl", win32::iidVmrMixerControl, IID_IVMRMixerControl},
      {"IID_IVMRMixerBitmap", win32::iidVmrMixerBitmap, IID_IVMRMixerBitmap},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(IsEqualGUID(c.ours, c.sdk)) << c.name;
  }
}

// Every answer of the adapter: a handle exactly when the result is not negative.
template <typename Interface>
void expectConsistent(const Obtained<Interface>& obtained, const char* what) {
  std::cout << "  " << what << ": " << hex(obtained.result) << "\n";
  EXPECT_EQ(obtained.value != nullptr, obtained.result >= 0) << what;
}

TEST_F(DirectShowTest, CreatesTheThreeObjectsAndHandsOutTheirInterfaces) {
  Obtained<GraphBuilder> graph = media_.createFilterGraph();
  ASSERT_GE(graph.result, 0) << hex(graph.result);
  ASSERT_NE(graph.value, nullptr);
  Obtained<BaseFilter> reader = media_.createAsfReader();
  ASSERT_GE(reader.result, 0) << hex(reader.result);
  Obtained<BaseFilter> renderer = media_.createVideoMixingRenderer();
  ASSERT_GE(renderer.result, 0) << hex(renderer.result);

  // The graph's own interfaces and the reader's file source are always there.
  EXPECT_GE(graph.value->queryVideoWindow().result, 0);
  EXPECT_GE(graph.value->queryBasicVideo().result, 0);
  EXPECT_GE(graph.value->queryBasicAudio().result, 0);
  EXPECT_GE(graph.value->queryMediaControl().result, 0);
  EXPECT_GE(graph.value->queryMediaEvent().result, 0);
  EXPECT_GE(reader.value->queryFileSource().result, 0);
  EXPECT_EQ(graph.value->addFilter(*reader.value, u"WMASFReader"), 0);
  EXPECT_EQ(graph.value->addFilter(*renderer.value, u"Video Mixing Renderer"), 0);

  // The renderer's interfaces vary with the system; the adapter stays consistent.
  std::cout << "Video Mixing Renderer:\n";
  const Obtained<RendererConfig> config = renderer.value->queryRendererConfig();
  expectConsistent(config, "IVMRFilterConfig");
  if (config.value) {
    std::cout << "  SetRenderingMode(windowed): " << hex(config.value->setRenderingMode(1)) << "\n";
    std::cout << "  SetNumberOfStreams(1): " << hex(config.value->setNumberOfStreams(1)) << "\n";
  }
  expectConsistent(renderer.value->queryWindowlessControl(), "IVMRWindowlessControl");
  expectConsistent(renderer.value->queryMixerControl(), "IVMRMixerControl");
  expectConsistent(renderer.value->queryMixerBitmap(), "IVMRMixerBitmap");
  // Not a renderer: the reader has none of them.
  EXPECT_LT(reader.value->queryRendererConfig().result, 0);
}

TEST_F(DirectShowTest, ConnectsToALocalDemoFileAndReleasesEverything) {
  const std::wstring file = demoFile();
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "demo.wmv is missing next to the test executable: it is made by the "
                    "win32_demo_media test, which needs ffmpeg on the build machine";
  }
  auto state = std::make_unique<PlaybackContext>();
  auto translations = std::make_unique<TranslationTable>();
  state->productName = u"Telvia";
  state->current.name = u"Demo";
  state->current.address = std::u16string(file.begin(), file.end());
  state->viewMode = 1;
  Player player(*state, ports_, *translations);
  player.fillVolumeSteps();

  connectAndFinish(player);
  for (const auto& shown : fakes_.messages.shown) {
    ADD_FAILURE() << "message box: " << fakes::narrow(shown.text);
  }
  const PlayerGraph& graph = player.state().graph;
  EXPECT_EQ(player.state().playing, 1);
  EXPECT_TRUE(graph.graphBuilder && graph.videoWindow && graph.basicVideo && graph.basicAudio &&
              graph.mediaControl && graph.mediaEvent && graph.sourceFilter && graph.fileSource &&
              graph.pinEnum);
  EXPECT_TRUE(IsWindowEnabled(mainWindow_));
  wchar_t title[64] = {};
  GetWindowTextW(mainWindow_, title, 64);
  EXPECT_STREQ(title, L"Telvia  [ Demo ]");

  const HWND videoWindow = GetWindow(mainWindow_, GW_CHILD);
  std::cout << "video window is a child of the main window: " << (videoWindow != nullptr ? "yes" : "no")
            << "\nvideo size: " << player.state().videoWidth << " x " << player.state().videoHeight
            << "\nwindowless control: " << (graph.windowlessControl ? "yes" : "no")
            << ", mixer bitmap: " << (graph.mixerBitmap ? "yes" : "no") << "\n";

  // Let the stream run; every notification is drained as the main window would.
  pumpMessages(1500);
  std::cout << "graph notifications: " << received.graphNotifications << "\nevents:";
  for (;;) {
    const MediaAnswer<GraphEvent> event = graph.mediaEvent->getEvent(0);
    if (event.result < 0) {
      break;
    }
    std::cout << " " << event.value.code << "(" << event.value.param1 << ")";
    (void)graph.mediaEvent->freeEventParams(event.value);
  }
  std::cout << "\n";
  const MediaAnswer<Size> size = graph.basicVideo->getVideoSize();
  std::cout << "video size while running: " << hex(size.result) << " " << size.value.width << " x "
            << size.value.height << "\n";

  player.tearDown();
  EXPECT_TRUE(player.state().graph.empty());
  pumpMessages(100);
  EXPECT_EQ(GetWindow(mainWindow_, GW_CHILD), nullptr) << "the video window outlived its graph";
}

// Windows refuses the address in Load ("Connection failed!"). Wine 8 accepts any address
// in Load and the source then has no pins; the renderer gets no stream, and the video size
// must come back as an error (not a fault), leaving placement off.
TEST_F(DirectShowTest, AnAddressThatCannotBeOpenedLeavesNoVideo) {
  auto state = std::make_unique<PlaybackContext>();
  auto translations = std::make_unique<TranslationTable>();
  state->productName = u"Telvia";
  state->current.name = u"Missing";
  state->current.address = u"C:\\no such folder\\no such file.wmv";
  state->viewMode = 1;
  Player player(*state, ports_, *translations);

  connectAndFinish(player);
  if (!fakes_.messages.shown.empty()) {
    std::cout << "Load refused the address\n";
    ASSERT_EQ(fakes_.messages.shown.size(), 1u);
    EXPECT_EQ(fakes_.messages.shown[0].text, u"Connection failed!");
    EXPECT_TRUE(state->current.name.empty());
    EXPECT_TRUE(player.state().graph.empty());
  } else {
    std::cout << "Load accepted the address\n";
    EXPECT_EQ(player.state().videoWidth, 0);
    EXPECT_EQ(player.state().videoHeight, 0);
    EXPECT_LT(player.state().graph.basicVideo->getAvgTimePerFrame().result, 0);
    player.tearDown();
  }
  EXPECT_TRUE(IsWindowEnabled(mainWindow_));
}

TEST_F(DirectShowTest, AMoveReachesTheWindowAsWmSizeBeforeItReturns) {
  const Size before = windowControl_.clientSize();
  const Rect window = windowControl_.windowRect();
  const int sizeMessages = received.sizeMessages;
  windowControl_.move({window.left, window.top, window.right + 40, window.bottom + 30});
  EXPECT_GT(received.sizeMessages, sizeMessages);
  EXPECT_EQ(windowControl_.clientSize(), (Size{before.width + 40, before.height + 30}));

  // The frame the screen adapter reports is what separates window and client.
  const Rect frame = screen_.mainWindowFrame(windowControl_.dpi());
  const Rect moved = windowControl_.windowRect();
  EXPECT_EQ(moved.width() - windowControl_.clientSize().width, frame.width());
  EXPECT_EQ(moved.height() - windowControl_.clientSize().height, frame.height());

  windowControl_.enable(false);
  EXPECT_FALSE(IsWindowEnabled(mainWindow_));
  windowControl_.enable(true);
  EXPECT_TRUE(IsWindowEnabled(mainWindow_));
}

}  // namespace

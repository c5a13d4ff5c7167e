// The main window's presenter on a fresh state and the fakes, as the program wires it.
#pragma once

#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "app/main_window_presenter.h"
#include "fake_ports.h"

namespace telvia {

struct PresenterFixture : ::testing::Test {
    // Both are large (1.3 MB and 310 KB): on the heap, as the program keeps them.
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    std::unique_ptr<TranslationTable> translations = std::make_unique<TranslationTable>();
    fakes::FakePlatform platform;
    MainWindowPresenter presenter{*state, platform.ports, *translations};
    Player& player = presenter.player();

    PresenterFixture() { state->productName = u"Telvia"; }

    // What the player holds now.
    [[nodiscard]] const PlayerState& played() const { return player.state(); }

    // Hands the presenter the end of every source Load that has returned, in order, as the
    // window's posted messages would.
    void finishLoads()
    {
        auto& ended = platform.media->endedLoads;
        while (!ended.empty()) {
            const std::uintptr_t ticket = ended.front();
            ended.pop_front();
            presenter.onSourceLoaded(ticket);
        }
    }

    // Forgets what was logged so far; later checks see only what follows.
    void clearLog() { platform.log.calls.clear(); }
};

}  // namespace telvia

// What a full catalogue costs the logic at start-up and exit. The registry is the
// in-memory fake, so these numbers are the program's own share; the system's share is
// one registry call per value (2,400 writes for 400 channels).
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "app/app_state.h"
#include "catalogue/channel_store.h"
#include "catalogue/channels_menu.h"
#include "fake_ports.h"

namespace telvia {
namespace {

void fillCatalogue(AppState& state)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        Channel& channel = state.channels[slot];
        channel.on = slot % 3 != 0;
        channel.country = slot % 2 ? u"USA" : u"GBR";
        const std::u16string number = std::u16string(1, u'A' + static_cast<char16_t>(slot % 26)) +
                                      std::u16string(1, u'a' + static_cast<char16_t>(slot / 26));
        channel.name = u"Channel " + number;
        channel.note = std::u16string(80, u'n');
        channel.address = u"http://streams.example/" + number + u"/index.m3u8";
        channel.homePage = u"http://www.example/" + number;
    }
}

struct Fixture {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    fakes::FakePlatform platform;

    Fixture()
    {
        state->productName = u"Telvia";
        fillCatalogue(*state);
    }
};

void saveFullCatalogue(benchmark::State& run)
{
    Fixture fixture;
    for (auto _ : run) {
        saveCatalogue(fixture.state->channels, u"Telvia", fixture.platform.registry);
        fixture.platform.registry.valueCalls.clear();
        fixture.platform.log.calls.clear();
    }
}
BENCHMARK(saveFullCatalogue)->Unit(benchmark::kMillisecond);

void loadFullCatalogue(benchmark::State& run)
{
    Fixture fixture;
    saveCatalogue(fixture.state->channels, u"Telvia", fixture.platform.registry);
    for (auto _ : run) {
        clearChannels(fixture.state->channels);
        (void)loadCatalogue(fixture.state->channels, fixture.state->homeCountry, u"Telvia",
                            fixture.platform.registry, fixture.platform.files);
        benchmark::DoNotOptimize(fixture.state->channels[399].name.view().size());
        fixture.platform.registry.valueCalls.clear();
        fixture.platform.log.calls.clear();
    }
}
BENCHMARK(loadFullCatalogue)->Unit(benchmark::kMillisecond);

void buildMenuOfAFullCatalogue(benchmark::State& run)
{
    Fixture fixture;
    for (auto _ : run) {
        buildChannelsMenu(fixture.state->channels, fixture.platform.channelsMenu,
                          fixture.platform.collation);
        fixture.platform.log.calls.clear();
    }
}
BENCHMARK(buildMenuOfAFullCatalogue)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace telvia

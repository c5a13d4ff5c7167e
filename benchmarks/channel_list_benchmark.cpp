// Opening the edit dialog on a full catalogue: the list filled with 400 rows and sorted,
// against the in-memory list, so the figure is the program's own share. The system's share
// (the list view drawing once) is measured under Wine by the end-to-end run.
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "dialogs/channel_list.h"
#include "fake_ports.h"

namespace telvia {
namespace {

void fillAndSortFullList(benchmark::State& run)
{
    auto table = std::make_unique<ChannelTable>();
    for (int slot = 0; slot < channelCapacity; ++slot) {
        Channel& channel = (*table)[slot];
        channel.on = slot % 3 != 0;
        // Countries and names in no order, so that the sort has work to do.
        channel.country = slot % 3 == 0 ? u"USA" : slot % 3 == 1 ? u"GBR" : u"DEU";
        channel.name = u"Channel " + std::u16string(1, u'A' + static_cast<char16_t>((slot * 7) % 26)) +
                       std::u16string(1, u'a' + static_cast<char16_t>(slot % 26));
        channel.note = std::u16string(80, u'n');
        channel.address = u"http://streams.example/" + std::u16string(channel.name.view());
    }
    const auto translations = std::make_unique<TranslationTable>();
    fakes::FakeCollation collation;
    for (auto _ : run) {
        fakes::FakeChannelList list;
        setUpChannelList(list, *table, *translations, collation);
        benchmark::DoNotOptimize(list.rows.data());
    }
}
BENCHMARK(fillAndSortFullList)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace telvia

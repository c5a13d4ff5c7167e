// The main window's presenter with a catalogue, for the tests of the channel dialogs: the
// user's actions in each dialog are scripts run on the in-memory dialogs.
#pragma once

#include <string>
#include <vector>

#include "dialogs/channel_list.h"
#include "presenter_fixture.h"
#include "resources/resource.h"

namespace telvia {

struct DialogFixture : PresenterFixture {
    using Script = fakes::FakeDialogs::Script;

    // A channel of the catalogue whose address and home page follow from its name.
    static Channel channelOf(std::u16string_view country, std::u16string_view name,
                             std::int32_t on = 1)
    {
        Channel channel;
        channel.on = on;
        channel.country = country;
        channel.name = name;
        channel.note = u"about " + std::u16string(name);
        channel.address = u"http://streams/" + std::u16string(name);
        channel.homePage = u"http://home/" + std::u16string(name);
        return channel;
    }

    void fill(const std::vector<Channel>& channels)
    {
        for (std::size_t i = 0; i < channels.size(); ++i) {
            state->channels[static_cast<int>(i)] = channels[i];
        }
    }

    // Opens Edit channels; each script acts in the next dialog that opens.
    void editChannels(std::vector<Script> scripts)
    {
        for (Script& script : scripts) {
            platform.dialogs.scripts.push_back(std::move(script));
        }
        presenter.onCommand(IDM_EDIT_CHANNELS);
    }

    // The row of the list whose name column holds the name.
    static int rowNamed(fakes::FakeDialogView& view, std::u16string_view name)
    {
        return findRowByText(view.list, name, columnName, -1);
    }

    static void select(fakes::FakeDialogView& view, DialogHandler& dialog, int row)
    {
        view.list.selectRow(row);
        dialog.onListItemChanged();
    }

    [[nodiscard]] std::vector<std::u16string> catalogueNames() const
    {
        std::vector<std::u16string> names;
        for (int slot = 0; slot < channelCount(state->channels); ++slot) {
            names.emplace_back(state->channels[slot].name.view());
        }
        return names;
    }

    [[nodiscard]] std::vector<std::u16string> menuItems() const
    {
        std::vector<std::u16string> texts;
        for (const auto& item : platform.channelsMenu.items) {
            texts.push_back(item.text);
        }
        return texts;
    }
};

}  // namespace telvia

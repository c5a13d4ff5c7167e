// Trying out a stream address that the user copied, before adding it to the catalogue:
// it plays as a temporary channel named "TEST :: " and the address.
#pragma once

#include <string_view>

#include "catalogue/channel.h"
#include "catalogue/channel_table.h"
#include "platform/clipboard_port.h"
#include "platform/main_window_port.h"
#include "platform/message_box_port.h"

namespace telvia {

// The most of the clipboard's text that is taken: what an address field holds.
inline constexpr std::size_t clipboardAddressMaxLength = decltype(Channel::address)::maxLength;

struct ClipboardTestSubject {
    const ChannelTable& channels;
    // Gets the test's name and address; its other fields stay those of the channel before.
    Channel& current;
    std::u16string_view productName;
};

struct ClipboardTestPorts {
    ClipboardPort& clipboard;
    MessageBoxPort& messages;
    MainWindowPort& window;  // asked to connect to the current channel
};

// Reads the clipboard's text without the spaces around it. Nothing there: says how to use
// it. An address of the catalogue: names the channel that has it. Otherwise the text becomes
// the current channel and the main window is asked, by a posted command, to connect.
void testClipboardAddress(ClipboardTestSubject subject, ClipboardTestPorts ports);

}  // namespace telvia

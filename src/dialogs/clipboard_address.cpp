#include "dialogs/clipboard_address.h"

#include <string>

#include "dialogs/trim_spaces.h"
#include "resources/resource.h"

namespace telvia {

void testClipboardAddress(ClipboardTestSubject subject, ClipboardTestPorts ports)
{
    // Cut before trimming: the spaces of a longer text's 519th unit onward never count.
    std::u16string text = ports.clipboard.text(clipboardAddressMaxLength);
    trimSpaces(text);
    const auto inform = [&](std::u16string_view message) {
        ports.messages.showInformation(MessageOwner::mainWindow, message, subject.productName);
    };
    if (text.empty()) {
        inform(u"Copy an address to clipboard for test");
        return;
    }
    if (const int slot = findChannelByAddress(subject.channels, text); slot >= 0) {
        const Channel& holder = subject.channels[slot];
        inform(u"This address already exists.\r\nCountry: " + std::u16string(holder.country.view()) +
               u"\r\nName: " + std::u16string(holder.name.view()) + u"\r\n");
        return;
    }
    subject.current.name = u"TEST :: " + text;  // the field cuts it to 259 characters
    subject.current.address = text;
    ports.window.postCommand(IDM_CONNECT_CURRENT);
}

}  // namespace telvia

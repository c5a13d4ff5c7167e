#include "dialogs/clipboard_test.h"

namespace telvia {

void testClipboardAddress(AppState&, Ports&)
{
    // Needs the clipboard port.
}

}  // namespace telvia

// Everything the application's presenters reach the operating system through. Only the
// presenters hold the whole bundle; each operation below them takes the few ports it uses.
#pragma once

#include "platform/channels_menu_port.h"
#include "platform/clipboard_port.h"
#include "platform/collation_port.h"
#include "platform/dialog_port.h"
#include "platform/file_port.h"
#include "platform/locale_port.h"
#include "platform/main_window_port.h"
#include "platform/media_port.h"
#include "platform/message_box_port.h"
#include "platform/registry_port.h"
#include "platform/screen_port.h"
#include "platform/shell_port.h"
#include "platform/system_port.h"
#include "platform/text_ports.h"
#include "platform/window_control_port.h"
#include "playback/player.h"

namespace telvia {

struct Ports {
    MainWindowPort& window;
    ChannelsMenuPort& channelsMenu;
    SystemPort& system;
    MessageBoxPort& messages;
    ShellPort& shell;
    DialogPort& dialogs;
    FilePort& files;
    MenuTextPort& menuTexts;
    TextConversionPort& textConversion;
    RegistryPort& registry;
    LocalePort& locale;
    CollationPort& collation;
    MediaFrameworkPort& media;
    MainWindowControlPort& windowControl;
    ScreenPort& screen;
    ClipboardPort& clipboard;

    // The part of the bundle the player works through.
    [[nodiscard]] PlayerPorts forPlayer() const
    {
        return {media, windowControl, screen, messages, window, textConversion};
    }
};

}  // namespace telvia

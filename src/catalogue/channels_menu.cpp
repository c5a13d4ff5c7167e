#include "catalogue/channels_menu.h"

namespace telvia {

void buildChannelsMenu(AppState&, Ports&)
{
    // The pop-up stays as the template left it until the menu is built from the catalogue.
}

void pickMenuChannel(AppState&, Ports&)
{
}

void nextChannel(AppState&, Ports&)
{
}

void previousChannel(AppState&, Ports&)
{
}

}  // namespace telvia

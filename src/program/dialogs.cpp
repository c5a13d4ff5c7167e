#include "program/dialogs.h"

#include "program/about_dialog.h"
#include "resources/resource.h"

namespace telvia::program {

void Dialogs::runAboutBox()
{
    AboutDialog about;
    // OK and Cancel both only close the box.
    (void)about.run(instance_, IDD_ABOUT, owner_);
}

void Dialogs::runModal(int, DialogHandler&)
{
    // Comes with the dialog procedure that forwards to a handler.
}

}  // namespace telvia::program

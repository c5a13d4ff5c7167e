#include "program/dialogs.h"

#include "program/about_dialog.h"
#include "program/presenter_dialog.h"
#include "resources/resource.h"

namespace telvia::program {

void Dialogs::runAboutBox()
{
    AboutDialog about;
    // OK and Cancel both only close the box.
    (void)about.run(instance_, IDD_ABOUT, owner_.handle());
}

void Dialogs::runModal(int templateId, DialogHandler& handler)
{
    PresenterDialog dialog(handler, instance_);
    // The handler holds whatever the dialog produced; the result code adds nothing.
    (void)dialog.run(templateId, owner_.handle());
}

}  // namespace telvia::program

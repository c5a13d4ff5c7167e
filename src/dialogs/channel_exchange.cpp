#include "dialogs/channel_exchange.h"

#include "resources/resource.h"

namespace telvia {

void repurposeAsExchangeDialog(DialogView& view, std::u16string_view title)
{
    view.setText(IDC_LIST_EDIT, u"Select all");
    view.setText(IDC_LIST_DELETE, u"Unselect all");
    view.showControl(IDC_LIST_PLAY, false);
    view.showControl(IDC_LIST_ADD, false);
    view.showControl(IDC_LIST_VISIT, false);
    view.setTitle(title);
}

void checkAllRows(ChannelListPort& list, bool checked)
{
    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
        list.setChecked(row, checked);
    }
}

}  // namespace telvia

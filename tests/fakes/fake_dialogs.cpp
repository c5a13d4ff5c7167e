#include "fake_dialogs.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "fake_ports.h"

namespace telvia::fakes {

namespace {

char16_t upper(char16_t unit)
{
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

std::u16string upperCase(std::u16string_view text)
{
    std::u16string result(text);
    std::transform(result.begin(), result.end(), result.begin(), upper);
    return result;
}

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() &&
           upperCase(text.substr(0, prefix.size())) == upperCase(prefix);
}

}  // namespace

void FakeChannelList::addColumn(std::string_view header, TextEncoding encoding, int width)
{
    columns.push_back({std::string(header), encoding, width});
}

void FakeChannelList::setRedraw(bool enabled)
{
    redraw = enabled;
    ++redrawChanges;
}

void FakeChannelList::insertTopRow(bool selected)
{
    if (selected) {
        for (Row& row : rows) {
            row.selected = false;
        }
    }
    rows.insert(rows.begin(), Row{false, {}, selected});
}

void FakeChannelList::deleteRow(int row)
{
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index(row)));
}

void FakeChannelList::setText(int row, int column, std::u16string_view text)
{
    rows.at(index(row)).texts.at(static_cast<std::size_t>(column)) = text;
}

std::u16string FakeChannelList::text(int row, int column, std::size_t maxLength)
{
    return cell(row, column).substr(0, maxLength);
}

int FakeChannelList::firstSelectedRow()
{
    const auto found =
        std::find_if(rows.begin(), rows.end(), [](const Row& row) { return row.selected; });
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

void FakeChannelList::selectRow(int row)
{
    for (Row& each : rows) {
        each.selected = false;
    }
    rows.at(index(row)).selected = true;
}

void FakeChannelList::sort(const std::function<int(int rowA, int rowB)>& compare)
{
    ++sorts;
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&compare](int a, int b) { return compare(a, b) < 0; });
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (const int row : order) {
        sorted.push_back(rows[index(row)]);
    }
    rows = std::move(sorted);
}

void FakeDialogView::setDialogTitle(std::string_view text, TextEncoding)
{
    translatedTitle = text;
    shownTitle.assign(text.begin(), text.end());  // the tests' translations are ASCII
}

void FakeDialogView::setControlText(int controlId, std::string_view text, TextEncoding)
{
    controls[controlId].translated = text;
}

void FakeDialogView::enableWindow(bool enabled)
{
    windowEnabled = enabled;
    dialogs_.log(std::string("dialog.enableWindow ") + (enabled ? "1" : "0"));
}

void FakeDialogView::end(int value)
{
    if (!result) {
        result = value;
    }
}

void FakeDialogView::setText(int controlId, std::u16string_view text)
{
    controls[controlId].text = text;
}

std::u16string FakeDialogView::text(int controlId, std::size_t maxLength)
{
    return controls[controlId].text.substr(0, maxLength);
}

int FakeDialogView::findComboItem(int controlId, std::u16string_view prefix)
{
    const std::vector<std::u16string>& items = controls[controlId].items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (startsWithIgnoringCase(items[i], prefix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void FakeDialogView::addComboItem(int controlId, std::u16string_view text)
{
    std::vector<std::u16string>& items = controls[controlId].items;
    const std::u16string item = upperCase(text);
    items.insert(std::upper_bound(items.begin(), items.end(), item), item);
}

void FakeDialogView::selectComboItem(int controlId, int index)
{
    Control& control = controls[controlId];
    control.selectedItem = index;
    control.text = index >= 0 ? control.items.at(static_cast<std::size_t>(index)) : u"";
}

int FakeDialogView::comboItemCount(int controlId)
{
    return static_cast<int>(controls[controlId].items.size());
}

void FakeDialogView::showInformation(std::u16string_view text, std::u16string_view caption)
{
    dialogs_.messages.emplace_back(text);
    dialogs_.log("dialog.information " + narrow(text) + " | " + narrow(caption));
}

bool FakeDialogView::askYesNo(std::u16string_view text, std::u16string_view caption)
{
    dialogs_.log("dialog.question " + narrow(text) + " | " + narrow(caption));
    if (dialogs_.answers.empty()) {
        return false;
    }
    const bool yes = dialogs_.answers.front();
    dialogs_.answers.pop_front();
    return yes;
}

std::optional<std::u16string> FakeDialogView::askFileToOpen(std::u16string_view title,
                                                            std::span<const FileTypeFilter> filters)
{
    FakeDialogs::FileRequest request{std::u16string(title), {}};
    for (const FileTypeFilter& filter : filters) {
        request.filters.emplace_back(filter.label, filter.patterns);
    }
    dialogs_.fileRequests.push_back(std::move(request));
    dialogs_.log("dialog.openFile " + narrow(title));
    if (dialogs_.fileChoices.empty()) {
        return std::nullopt;
    }
    std::optional<std::u16string> choice = std::move(dialogs_.fileChoices.front());
    dialogs_.fileChoices.pop_front();
    return choice;
}

void FakeDialogView::runChild(int childTemplate, DialogHandler& handler)
{
    dialogs_.run(childTemplate, handler);
}

void FakeDialogView::type(int controlId, std::u16string_view text)
{
    controls[controlId].text = text;
}

void FakeDialogView::typeInCombo(int controlId, std::u16string_view text)
{
    controls[controlId].text = upperCase(text);
}

void FakeDialogs::runAboutBox()
{
    log_.add("dialogs.about");
}

void FakeDialogs::runModal(int templateId, DialogHandler& handler)
{
    run(templateId, handler);
}

void FakeDialogs::run(int templateId, DialogHandler& handler)
{
    log_.add("dialogs.open " + std::to_string(templateId));
    FakeDialogView view(*this, templateId);
    view.list.dotsPerInch = dpi;
    handler.onInit(view);
    const bool seen = !view.result;
    if (!scripts.empty() && seen) {
        const Script script = std::move(scripts.front());
        scripts.pop_front();
        script(view, handler);
    }
    if (!view.result) {
        handler.onCommand(2);  // the close box
    }
    if (!view.result) {
        throw std::logic_error("a dialog did not end on Cancel");
    }
    results.push_back(*view.result);
    shown.push_back(seen);
    log_.add("dialogs.closed " + std::to_string(templateId) + " " + std::to_string(*view.result));
}

}  // namespace telvia::fakes

// Dialogs without windows: a list of rows in memory, controls as plain fields, and the
// user's actions as scripts that the test hands in per dialog template.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <utility>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform/dialog_port.h"

namespace telvia::fakes {

// Rows as fields. Each row keeps its check box, its six texts and its selection; only one
// row is selected at a time, as in a single-selection list.
class FakeChannelList final : public ChannelListPort {
public:
    struct Column {
        std::string header;
        TextEncoding encoding = TextEncoding::ansi;
        int width = 0;
    };
    struct Row {
        bool checked = false;
        std::array<std::u16string, 6> texts;
        bool selected = false;
    };

    void setListStyles() override { styled = true; }
    void addColumn(std::string_view header, TextEncoding encoding, int width) override;
    void setColumnWidth(int column, int width) override { columns.at(index(column)).width = width; }
    int dpi() override { return dotsPerInch; }
    void setRedraw(bool enabled) override;
    int rowCount() override { return static_cast<int>(rows.size()); }
    void insertTopRow(bool selected) override;
    void deleteRow(int row) override;
    void setChecked(int row, bool checked) override { rows.at(index(row)).checked = checked; }
    bool isChecked(int row) override { return rows.at(index(row)).checked; }
    void setText(int row, int column, std::u16string_view text) override;
    std::u16string text(int row, int column, std::size_t maxLength) override;
    int firstSelectedRow() override;
    void selectRow(int row) override;
    void ensureVisible(int row) override { visible = row; }
    void sort(const std::function<int(int rowA, int rowB)>& compare) override;

    // The row's text in a column, for the tests.
    [[nodiscard]] const std::u16string& cell(int row, int column) const
    {
        return rows.at(index(row)).texts.at(static_cast<std::size_t>(column));
    }

    bool styled = false;
    int dotsPerInch = 96;
    std::vector<Column> columns;
    std::vector<Row> rows;
    bool redraw = true;
    int redrawChanges = 0;
    int sorts = 0;
    std::optional<int> visible;

private:
    static std::size_t index(int row) { return static_cast<std::size_t>(row); }
};

// One open dialog. Controls are addressed by id and created on first use.
class FakeDialogView final : public DialogView {
public:
    FakeDialogView(class FakeDialogs& dialogs, int dialogTemplate)
        : templateId(dialogTemplate), dialogs_(dialogs)
    {
    }

    struct Control {
        std::u16string text;
        std::string translated;  // the last 8-bit text set by a translation
        bool checked = false;
        bool enabled = true;
        bool shown = true;
        std::size_t limit = 0;
        std::vector<std::u16string> items;  // a combo box's list, sorted, in capitals
        int selectedItem = -1;
    };

    void setDialogTitle(std::string_view text, TextEncoding encoding) override;
    void setControlText(int controlId, std::string_view text, TextEncoding encoding) override;
    void setTitle(std::u16string_view text) override { shownTitle = text; }
    std::u16string title() override { return shownTitle; }
    void enableControl(int controlId, bool enabled) override { controls[controlId].enabled = enabled; }
    void showControl(int controlId, bool shown) override { controls[controlId].shown = shown; }
    void enableWindow(bool enabled) override;
    void end(int result) override;
    ChannelListPort& channelList() override { return list; }
    void limitText(int controlId, std::size_t maxLength) override { controls[controlId].limit = maxLength; }
    void setText(int controlId, std::u16string_view text) override;
    std::u16string text(int controlId, std::size_t maxLength) override;
    void setChecked(int controlId, bool checked) override { controls[controlId].checked = checked; }
    bool isChecked(int controlId) override { return controls[controlId].checked; }
    int findComboItem(int controlId, std::u16string_view prefix) override;
    void addComboItem(int controlId, std::u16string_view text) override;
    void selectComboItem(int controlId, int index) override;
    int comboItemCount(int controlId) override;
    void showInformation(std::u16string_view text, std::u16string_view caption) override;
    bool askYesNo(std::u16string_view text, std::u16string_view caption) override;
    std::optional<std::u16string> askFileToOpen(std::u16string_view title,
                                                std::span<const FileTypeFilter> filters) override;
    void runChild(int templateId, DialogHandler& handler) override;

    // What the user types into an edit box, and into a combo box's field, which shows capitals.
    void type(int controlId, std::u16string_view text);
    void typeInCombo(int controlId, std::u16string_view text);

    const int templateId;
    std::u16string shownTitle;  // whichever was set last, the own or a translated one
    std::string translatedTitle;
    std::map<int, Control> controls;
    FakeChannelList list;
    bool windowEnabled = true;
    std::optional<int> result;

private:
    FakeDialogs& dialogs_;
};

// Scripts stand for the user: each one runs after a dialog's onInit and acts on it through
// the view and the handler. A dialog whose script leaves it open is ended with Cancel, as
// the user closing it would.
class FakeDialogs final : public DialogPort {
public:
    using Script = std::function<void(FakeDialogView& view, DialogHandler& handler)>;

    explicit FakeDialogs(CallLog& log) : log_(log) {}
    void runAboutBox() override;
    void runModal(int templateId, DialogHandler& handler) override;

    // Runs a dialog the way runModal does; also used for dialogs opened over another one.
    void run(int templateId, DialogHandler& handler);
    void log(std::string call) { log_.add(std::move(call)); }

    // The next dialogs' scripts, in the order the dialogs open.
    std::deque<Script> scripts;
    // Answers of the Yes/No questions, in order; No when none is left.
    std::deque<bool> answers;
    // Every message box shown by a dialog, in order.
    std::vector<std::u16string> messages;
    // Dots per inch of the display the dialogs open on.
    int dpi = 96;
    // The result each dialog ended with, in the order they ended.
    std::vector<int> results;
    // Whether each dialog, in the order they ended, was still open after its onInit, that
    // is, whether the user ever saw it.
    std::vector<bool> shown;

    // The files the user picks in the file dialogs, in order; a cancel for nothing. When
    // none is left, the user cancels.
    std::deque<std::optional<std::u16string>> fileChoices;
    struct FileRequest {
        std::u16string title;
        std::vector<std::pair<std::u16string, std::u16string>> filters;  // label, patterns
    };
    std::vector<FileRequest> fileRequests;

private:
    CallLog& log_;
};

}  // namespace telvia::fakes

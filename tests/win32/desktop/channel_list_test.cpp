// The channel list adapter on the real list of the channel-list dialog: check boxes as state
// images, rows inserted at the top, deletion, selection, texts cut to the asked length, sorting
// through the callback, many rows with drawing switched off, and column widths.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "platform/win32/desktop/win32_channel_list.h"
#include "resources/resource.h"

namespace {

using telvia::TextEncoding;
using telvia::test::WindowHandle;
using telvia::win32::Win32ChannelList;

class ChannelListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog_ = telvia::test::createDialog(IDD_CHANNEL_LIST);
        ASSERT_NE(dialog_, nullptr);
        listWindow_ = GetDlgItem(dialog_.get(), IDC_CHANNEL_LIST);
        ASSERT_NE(listWindow_, nullptr);
        list_ = std::make_unique<Win32ChannelList>(listWindow_);
        list_->setListStyles();
        for (int column = 0; column < 3; ++column) {
            list_->addColumn("c", TextEncoding::ansi, 50);
        }
    }

    // Rows from the top down, each with its texts in columns 1 and 2.
    void fill(const std::vector<std::pair<std::u16string, std::u16string>>& rows)
    {
        for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
            list_->insertTopRow(false);
            list_->setText(0, 1, row->first);
            list_->setText(0, 2, row->second);
        }
    }

    std::vector<std::u16string> column(int index)
    {
        std::vector<std::u16string> texts;
        for (int row = 0; row < list_->rowCount(); ++row) {
            texts.push_back(list_->text(row, index, 100));
        }
        return texts;
    }

    UINT stateImage(int row)
    {
        return static_cast<UINT>(SendMessageW(listWindow_, LVM_GETITEMSTATE,
                                              static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK)) >>
               12;
    }

    int selectedCount()
    {
        return static_cast<int>(SendMessageW(listWindow_, LVM_GETSELECTEDCOUNT, 0, 0));
    }

    int focusedRow()
    {
        return static_cast<int>(
            SendMessageW(listWindow_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    }

    WindowHandle dialog_;
    HWND listWindow_ = nullptr;
    std::unique_ptr<Win32ChannelList> list_;
};

TEST_F(ChannelListTest, StylesAreTheFourExtendedOnes)
{
    const auto styles = SendMessageW(listWindow_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(styles, LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
}

TEST_F(ChannelListTest, CheckBoxesAreStateImagesReadBackAsAnyImageAfterTheUncheckedOne)
{
    const struct {
        const char* name;
        int rawImage;  // written directly as the state image when >= 0
        bool setTo;    // otherwise set through the adapter
        UINT expectedImage;
        bool expectedChecked;
    } cases[] = {
        {"checked", -1, true, 2, true},
        {"unchecked", -1, false, 1, false},
        {"image 3", 3, false, 3, true},
        {"image 7, as a stored on = 7 would be", 7, false, 7, true},
        {"image 15", 15, false, 15, true},
        {"image 1", 1, false, 1, false},
        {"no state image", 0, false, 0, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        list_->insertTopRow(false);
        list_->insertTopRow(false);  // a neighbour that must keep its own state
        list_->setChecked(1, !c.expectedChecked);
        if (c.rawImage >= 0) {
            LVITEMW item{};
            item.state = static_cast<UINT>(c.rawImage) << 12;
            item.stateMask = LVIS_STATEIMAGEMASK;
            SendMessageW(listWindow_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        } else {
            list_->setChecked(0, c.setTo);
        }
        EXPECT_EQ(stateImage(0), c.expectedImage) << "case " << i << ": " << c.name;
        EXPECT_EQ(list_->isChecked(0), c.expectedChecked) << "case " << i << ": " << c.name;
        EXPECT_EQ(list_->isChecked(1), !c.expectedChecked) << "case " << i << ": neighbour";
        SendMessageW(listWindow_, LVM_DELETEALLITEMS, 0, 0);
    }
}

TEST_F(ChannelListTest, RowsOutsideTheListAreRefused)
{
    fill({{u"A", u"a"}, {u"B", u"b"}});
    list_->setChecked(0, false);
    list_->setChecked(1, false);
    for (const int row : {-1, 2, 100}) {
        list_->setChecked(row, true);  // -1 would check every row
        list_->selectRow(row);         // and select every row
        list_->deleteRow(row);
        list_->ensureVisible(row);
        EXPECT_FALSE(list_->isChecked(row)) << "row " << row;
        EXPECT_EQ(list_->text(row, 1, 10), u"") << "row " << row;
    }
    EXPECT_EQ(list_->rowCount(), 2);
    EXPECT_FALSE(list_->isChecked(0));
    EXPECT_FALSE(list_->isChecked(1));
    EXPECT_EQ(selectedCount(), 0);
    EXPECT_EQ(list_->firstSelectedRow(), -1);
}

TEST_F(ChannelListTest, RowsGoInAtTheTopSelectedOrNotAndComeOut)
{
    // Each step inserts a row named by its letter at the top, selected or not, or deletes a
    // row; then the rows from the top and the selected row are as given.
    const struct {
        char action;  // 's' insert selected, 'u' insert unselected, 'd' delete
        int deleteRow;
        const char16_t* letter;
        std::vector<std::u16string> rows;
        int selected;
    } steps[] = {
        {'u', 0, u"a", {u"a"}, -1},
        {'s', 0, u"b", {u"b", u"a"}, 0},
        {'u', 0, u"c", {u"c", u"b", u"a"}, 1},
        {'s', 0, u"d", {u"d", u"c", u"b", u"a"}, 0},
        {'d', 2, nullptr, {u"d", u"c", u"a"}, 0},
        {'d', 0, nullptr, {u"c", u"a"}, -1},
        {'s', 0, u"e", {u"e", u"c", u"a"}, 0},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        if (s.action == 'd') {
            list_->deleteRow(s.deleteRow);
        } else {
            list_->insertTopRow(s.action == 's');
            list_->setText(0, 1, s.letter);
        }
        EXPECT_EQ(column(1), s.rows) << "step " << i;
        EXPECT_EQ(list_->rowCount(), static_cast<int>(s.rows.size())) << "step " << i;
        EXPECT_EQ(list_->firstSelectedRow(), s.selected) << "step " << i;
        // Single selection: a newly selected row takes the selection and the focus.
        EXPECT_EQ(selectedCount(), s.selected == -1 ? 0 : 1) << "step " << i;
        if (s.action == 's') {
            EXPECT_EQ(focusedRow(), 0) << "step " << i;
        }
    }
}

TEST_F(ChannelListTest, SelectingARowMovesSelectionAndFocus)
{
    fill({{u"A", u"a"}, {u"B", u"b"}, {u"C", u"c"}});
    for (const int row : {2, 0, 1}) {
        list_->selectRow(row);
        EXPECT_EQ(list_->firstSelectedRow(), row);
        EXPECT_EQ(focusedRow(), row);
        EXPECT_EQ(selectedCount(), 1) << "row " << row;
    }
}

TEST_F(ChannelListTest, TextsReadBackCutToTheAskedLength)
{
    const std::u16string note(519, u'n');
    const struct {
        const char* name;
        std::u16string text;
        std::size_t maxLength;
        std::u16string expected;
    } cases[] = {
        {"a whole note", note, 519, note},
        {"a longer text cut", note + u"xyz", 519, note},
        {"a country cut to 3", u"DEUTSCH", 3, u"DEU"},
        {"shorter than the limit", u"FR", 3, u"FR"},
        {"nothing asked for", u"USA", 0, u""},
        {"empty", u"", 10, u""},
        {"beyond the basic plane", u"\U0001F4FA TV \u00e4", 10, u"\U0001F4FA TV \u00e4"},
    };
    list_->insertTopRow(false);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        list_->setText(0, 2, c.text);
        EXPECT_EQ(list_->text(0, 2, c.maxLength), c.expected) << "case " << i << ": " << c.name;
    }
    EXPECT_EQ(list_->text(0, 1, 10), u"") << "a column never written";
}

TEST_F(ChannelListTest, TheListWritesNoMoreThanTheBufferItIsGiven)
{
    // The adapter sizes its buffer as the text asked for plus the terminator.
    list_->insertTopRow(false);
    list_->setText(0, 1, u"ABCDEFGH");
    for (int size = 1; size <= 10; ++size) {
        std::wstring buffer(20, L'#');
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = buffer.data();
        item.cchTextMax = size;
        SendMessageW(listWindow_, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(buffer.substr(static_cast<std::size_t>(size)), std::wstring(20 - size, L'#'))
            << "size " << size;
        EXPECT_EQ(buffer[static_cast<std::size_t>(std::min(size - 1, 8))], L'\0') << "size " << size;
    }
}

TEST_F(ChannelListTest, SortsWithTheComparisonOverTheRowsTexts)
{
    const auto byCountryThenName = [this](int a, int b) {
        const int byCountry = list_->text(a, 1, 3).compare(list_->text(b, 1, 3));
        return byCountry != 0 ? byCountry : list_->text(a, 2, 259).compare(list_->text(b, 2, 259));
    };
    const struct {
        const char* name;
        std::vector<std::pair<std::u16string, std::u16string>> rows;
        std::vector<std::u16string> countries;
        std::vector<std::u16string> names;
    } cases[] = {
        {"country, then name",
         {{u"USA", u"B"}, {u"GBR", u"Z"}, {u"GBR", u"A"}},
         {u"GBR", u"GBR", u"USA"},
         {u"A", u"Z", u"B"}},
        {"already in order", {{u"A", u"1"}, {u"B", u"2"}}, {u"A", u"B"}, {u"1", u"2"}},
        {"one row", {{u"X", u"x"}}, {u"X"}, {u"x"}},
        {"no rows", {}, {}, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SendMessageW(listWindow_, LVM_DELETEALLITEMS, 0, 0);
        fill(c.rows);
        // Mark each row by its name so the check boxes are seen to move with their rows.
        for (int row = 0; row < list_->rowCount(); ++row) {
            list_->setChecked(row, list_->text(row, 2, 10) == u"Z" || list_->text(row, 2, 10) == u"2");
        }
        list_->sort(byCountryThenName);
        EXPECT_EQ(column(1), c.countries) << "case " << i << ": " << c.name;
        EXPECT_EQ(column(2), c.names) << "case " << i << ": " << c.name;
        for (int row = 0; row < list_->rowCount(); ++row) {
            const std::u16string name = list_->text(row, 2, 10);
            EXPECT_EQ(list_->isChecked(row), name == u"Z" || name == u"2")
                << "case " << i << ", row " << row;
        }
    }
}

TEST_F(ChannelListTest, AComparisonThatThrowsLeavesEveryRowInTheList)
{
    fill({{u"C", u"c"}, {u"A", u"a"}, {u"B", u"b"}});
    list_->sort([](int, int) -> int { throw std::runtime_error("compare"); });
    list_->sort({});  // no comparison at all
    std::vector<std::u16string> countries = column(1);
    std::sort(countries.begin(), countries.end());
    EXPECT_EQ(countries, (std::vector<std::u16string>{u"A", u"B", u"C"}));
}

TEST_F(ChannelListTest, FourHundredRowsGoInWithDrawingOffAndSortOnce)
{
    ShowWindow(dialog_.get(), SW_SHOWNA);
    UpdateWindow(dialog_.get());
    ASSERT_FALSE(GetUpdateRect(listWindow_, nullptr, FALSE));

    const auto start = std::chrono::steady_clock::now();
    list_->setRedraw(false);
    for (int i = 0; i < 400; ++i) {
        // Countries in a scrambled order: 0, 7, 14, ... modulo 400.
        wchar_t country[8] = {};
        std::swprintf(country, 8, L"%03d", (i * 7) % 400);
        list_->insertTopRow(false);
        list_->setChecked(0, i % 2 == 0);
        list_->setText(0, 1, std::u16string(country, country + 3));
    }
    list_->sort([this](int a, int b) { return list_->text(a, 1, 3).compare(list_->text(b, 1, 3)); });
    EXPECT_FALSE(GetUpdateRect(listWindow_, nullptr, FALSE)) << "drawn while drawing was off";
    list_->setRedraw(true);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(GetUpdateRect(listWindow_, nullptr, FALSE)) << "not redrawn when switched on";
    std::printf("400 rows filled and sorted in %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));

    ASSERT_EQ(list_->rowCount(), 400);
    for (int row = 0; row < 400; ++row) {
        wchar_t expected[8] = {};
        std::swprintf(expected, 8, L"%03d", row);
        ASSERT_EQ(list_->text(row, 1, 3), std::u16string(expected, expected + 3)) << "row " << row;
        // Row r holds the country inserted as i with 7i = r (mod 400); even i were checked.
        int inserted = 0;
        while ((inserted * 7) % 400 != row) {
            ++inserted;
        }
        EXPECT_EQ(list_->isChecked(row), inserted % 2 == 0) << "row " << row;
    }

    list_->selectRow(399);
    list_->ensureVisible(399);
    RECT rowRect{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(listWindow_, LVM_GETITEMRECT, 399, reinterpret_cast<LPARAM>(&rowRect));
    RECT client{};
    GetClientRect(listWindow_, &client);
    EXPECT_GE(rowRect.top, 0);
    EXPECT_LE(rowRect.bottom, client.bottom) << "the last row is only partly in view";
}

TEST(ChannelListColumnsTest, AreAppendedWithConvertedHeadersAndTheirWidthsInPixels)
{
    WindowHandle dialog = telvia::test::createDialog(IDD_CHANNEL_LIST);
    ASSERT_NE(dialog, nullptr);
    HWND listWindow = GetDlgItem(dialog.get(), IDC_CHANNEL_LIST);
    Win32ChannelList list(listWindow);

    // The resolution the list reports is the screen's where every display has one (Wine,
    // Windows before 10) and never an unknown one.
    HDC screen = GetDC(listWindow);
    const int screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(listWindow, screen);
    EXPECT_EQ(list.dpi(), screenDpi);

    const struct {
        std::string header;
        TextEncoding encoding;
        int width;
        int changedWidth;  // after setColumnWidth
        std::wstring expectedHeader;
    } cases[] = {
        {"Menu", TextEncoding::ansi, 50, 100, L"Menu"},
        {"L\xc3\xa4nder", TextEncoding::utf8, 75, 113, L"L\u00e4nder"},
        {"", TextEncoding::ansi, 150, 150, L""},
        {"Adresse", TextEncoding::utf8, 300, 0, L"Adresse"},
    };
    for (const auto& c : cases) {
        list.addColumn(c.header, c.encoding, c.width);
    }
    const auto header = reinterpret_cast<HWND>(SendMessageW(listWindow, LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(std::size(cases)));
    const auto columnAt = [&](std::size_t i, wchar_t (&text)[64]) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = 64;
        EXPECT_TRUE(SendMessageW(listWindow, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)))
            << "column " << i;
        return column;
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        wchar_t text[64] = {};
        const LVCOLUMNW column = columnAt(i, text);
        EXPECT_EQ(std::wstring(text), cases[i].expectedHeader) << "column " << i;
        // The portable code has scaled the width already; the list takes it as it is.
        EXPECT_EQ(column.cx, cases[i].width) << "column " << i;
    }

    for (std::size_t i = 0; i < std::size(cases); ++i) {
        list.setColumnWidth(static_cast<int>(i), cases[i].changedWidth);
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        wchar_t text[64] = {};
        EXPECT_EQ(columnAt(i, text).cx, cases[i].changedWidth) << "column " << i;
        EXPECT_EQ(std::wstring(text), cases[i].expectedHeader) << "column " << i;
    }
}

}  // namespace

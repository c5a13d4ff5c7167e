#include "i18n/translation_table.h"

#include <iterator>
#include <memory>
#include <vector>

#include "resources/resource.h"

namespace telvia {

namespace {

struct KeyRow {
    std::int32_t id;
    std::string_view key;
};

// Load order within each section; ids are control ids of the dialog resources, command
// ids of the main menu, or positions of its pop-ups.
constexpr KeyRow editChannelsRows[] = {
    {dialogTitleId, "MAIN_TITLE"}, {IDOK, "OK"},       {IDCANCEL, "CANCEL"},
    {IDC_LIST_PLAY, "PLAY"},       {IDC_LIST_VISIT, "HOME_PAGE"},
};

constexpr KeyRow channelFormRows[] = {
    {dialogTitleId, "MAIN_TITLE"},
    {lookUpOnlyId, "MAIN_TITLE_2"},
    {IDC_FORM_ON, "ON"},
    {IDOK, "OK"},
    {IDCANCEL, "CANCEL"},
    {IDC_FORM_COUNTRY_LABEL, "COUNTRY"},
    {IDC_FORM_NAME_LABEL, "NAME"},
    {IDC_FORM_NOTE_LABEL, "NOTE"},
    {IDC_FORM_ADDRESS_LABEL, "ADDRESS"},
    {IDC_FORM_HOME_PAGE_LABEL, "PAGE"},
};

constexpr KeyRow commonRows[] = {
    {0, "CMN_1"}, {0, "CMN_2"},      {0, "CMN_3"},     {0, "CMN_4"}, {0, "CMN_5"},
    {0, "CMN_6"}, {0, "CONNECTING"}, {0, "BUFFERING"}, {0, "PAUSE"},
};

// The save and the load dialog share the list dialog and its keys.
constexpr KeyRow saveAndLoadRows[] = {
    {dialogTitleId, "MAIN_TITLE"}, {IDOK, "OK"},          {IDCANCEL, "CANCEL"},
    {IDC_LIST_EDIT, "MARK"},       {IDC_LIST_DELETE, "UNMARK"}, {IDC_LIST_VISIT, "HOME_PAGE"},
};

constexpr KeyRow mainMenuRows[] = {
    {0, "CHANNELS"},
    {IDM_SELECT_CHANNEL, "SELECT_CH"},
    {IDM_EDIT_CHANNELS, "EDIT_CH"},
    {IDM_LOAD_CHANNELS, "LOAD_CH"},
    {IDM_SAVE_CHANNELS, "SAVE_CH"},
    {IDM_TEST_CLIPBOARD, "TEST_CH"},
    {IDM_EXIT, "EXIT"},
    {1, "PLAY"},
    {IDM_PLAY_PAUSE, "PLAY_PAUSE"},
    {IDM_STOP, "STOP"},
    {IDM_PREVIOUS_CHANNEL, "CH_PREVIOUS"},
    {IDM_NEXT_CHANNEL, "CH_NEXT"},
    {IDM_RECONNECT, "RECONNECT"},
    {IDM_SOUND_UP, "SOUND_UP"},
    {IDM_SOUND_DOWN, "SOUND_DOWN"},
    {IDM_INFORMATION, "INFO"},
    {2, "VIDEO_SIZE"},
    {IDM_FULL_SCREEN, "FULLSCREEN"},
    {IDM_SIZE_50, "S_50"},
    {IDM_SIZE_100, "S_100"},
    {IDM_SIZE_200, "S_200"},
    {IDM_SIZE_FIT, "S_FITTOWINDOW"},
    {3, "HELP"},
    {IDM_USER_MANUAL, "MANUAL"},
    {IDM_HOME_PAGE, "HOME_PAGE"},
    {IDM_ABOUT, "ABOUT"},
};

struct SectionRows {
    int section;
    std::span<const KeyRow> rows;
};

constexpr SectionRows loadOrder[] = {
    {editChannelsTexts, editChannelsRows}, {channelFormTexts, channelFormRows},
    {commonTexts, commonRows},             {saveChannelsTexts, saveAndLoadRows},
    {loadChannelsTexts, saveAndLoadRows},  {mainMenuTexts, mainMenuRows},
};

bool isSection(int number) { return number >= 0 && number < translationSectionCount; }

std::string sectionName(int number) { return "SECTION_" + std::to_string(number); }

// Reads until the limit or the first empty read, whatever the file says its size is.
std::string readPrefix(ReadableFile& file, std::size_t limit)
{
    constexpr std::uint32_t chunk = 64 * 1024;
    std::string bytes;
    while (bytes.size() < limit) {
        const auto wanted = static_cast<std::uint32_t>(std::min<std::size_t>(chunk, limit - bytes.size()));
        const std::vector<std::byte> got = file.read(wanted);
        if (got.empty()) {
            break;
        }
        const std::size_t taken = std::min(got.size(), limit - bytes.size());
        std::transform(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(taken),
                       std::back_inserter(bytes), [](std::byte b) { return static_cast<char>(b); });
    }
    return bytes;
}

}  // namespace

std::span<const TranslationEntry> TranslationTable::section(int number) const
{
    if (!isSection(number)) {
        return {};
    }
    const auto& slots = entries[static_cast<std::size_t>(number)];
    const auto count = std::clamp<std::int32_t>(counts[static_cast<std::size_t>(number)], 0,
                                                static_cast<std::int32_t>(slots.size()));
    return std::span<const TranslationEntry>(slots.data(), static_cast<std::size_t>(count));
}

void addTranslation(TranslationTable& table, const IniFile& file, int section, std::int32_t id,
                    std::string_view key)
{
    if (!isSection(section)) {
        return;
    }
    const auto index = static_cast<std::size_t>(section);
    std::int32_t& count = table.counts[index];
    if (count < 0 || static_cast<std::size_t>(count) >= translationSlotsPerSection) {
        return;
    }
    TranslationEntry& entry = table.entries[index][static_cast<std::size_t>(count)];
    entry.id = id;
    entry.key.assign(key);
    entry.text.assign(file.value(sectionName(section), key));
    ++count;
}

void loadTranslationsFrom(TranslationTable& table, std::string_view fileBytes)
{
    for (auto& slots : table.entries) {
        slots.fill(TranslationEntry{});
    }
    table.counts.fill(0);

    const IniFile file(fileBytes);
    table.encoding = file.encoding();
    for (const SectionRows& section : loadOrder) {
        for (const KeyRow& row : section.rows) {
            addTranslation(table, file, section.section, row.id, row.key);
        }
    }
}

void loadTranslations(TranslationTable& table, FilePort& files)
{
    std::string bytes;
    if (const std::unique_ptr<ReadableFile> file = files.openForReading(translationFileName)) {
        bytes = readPrefix(*file, translationFileReadLimit);
    }
    loadTranslationsFrom(table, bytes);
}

TranslatedText lookupText(const TranslationTable& table, int section, std::string_view key,
                          std::string_view fallback)
{
    for (const TranslationEntry& entry : table.section(section)) {
        if (entry.key.view() == key && !entry.text.empty()) {
            return {entry.text.view(), table.encoding};
        }
    }
    return {fallback, table.encoding};
}

std::u16string lookupTextUtf16(const TranslationTable& table, TextConversionPort& conversion,
                               int section, std::string_view key, std::string_view fallback)
{
    const TranslatedText found = lookupText(table, section, key, fallback);
    if (found.text.empty()) {
        return {};
    }
    return conversion.toUtf16(found.text, found.encoding);
}

}  // namespace telvia

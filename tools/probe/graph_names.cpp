#include "graph_names.h"

#include <optional>
#include <utility>

#include "common/utf8.h"
#include "platform/win32/base/com_ptr.h"
#include "platform/win32/base/wide_text.h"

namespace telvia::probe {

std::string utf8Of(std::u16string_view text)
{
    if (std::optional<std::string> whole = utf16ToUtf8(text)) {
        return *std::move(whole);
    }
    std::u16string repaired(text);
    for (std::size_t i = 0; i < repaired.size(); ++i) {
        const char16_t unit = repaired[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < repaired.size() && repaired[i + 1] >= 0xDC00 && repaired[i + 1] <= 0xDFFF) {
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            repaired[i] = u'\uFFFD';
        }
    }
    return utf16ToUtf8(repaired).value_or("?");
}

std::string utf8Of(const wchar_t* text)
{
    return text != nullptr ? utf8Of(win32::fromWide(text)) : std::string();
}

PinName nameOf(IPin& pin)
{
    PIN_INFO info{};
    if (FAILED(pin.QueryPinInfo(&info))) {
        return {};
    }
    win32::ComPtr<IBaseFilter> owner;
    *owner.put() = info.pFilter;  // the reference QueryPinInfo handed over
    info.achName[MAX_PIN_NAME - 1] = L'\0';
    return {utf8Of(info.achName), info.dir};
}

}  // namespace telvia::probe

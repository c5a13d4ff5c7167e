#include "playback/stream_graph.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "common/utf16.h"

namespace telvia {

namespace {

constexpr std::size_t titleMaxLength = 519;    // a title buffer of 520 units
constexpr std::size_t failureMaxLength = 1023;  // a report buffer of 1024 units

std::u16string hexLowerCase(HResult result)
{
    char digits[16];
    const auto end = std::to_chars(std::begin(digits), std::end(digits),
                                   static_cast<std::uint32_t>(result), 16).ptr;
    return asciiToUtf16(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

}  // namespace

void connectChannel(AppState& state, Ports& ports)
{
    tearDownGraph(state, ports);
    if (state.current.name.empty() || state.current.address.empty()) {
        return;
    }
}

void tearDownGraph(AppState& state, Ports& ports)
{
    state.playing = 0;
    updateTitle(state, ports, u"");
    state.fadeStep = 0;
    state.fullScreen = 0;
}

void updateTitle(const AppState& state, Ports& ports, std::u16string_view status)
{
    std::u16string title(state.productName.view());
    if (!state.current.name.empty()) {
        title += u"  [ ";
        title += state.current.name.view();
        title += u" ]";
        if (!status.empty()) {
            title += u"  ";
            title += status;
        }
    }
    title.resize(std::min(title.size(), titleMaxLength));
    ports.window.setTitle(title);
}

void reportGraphFailure(const AppState& state, Ports& ports, std::string_view format,
                        HResult result)
{
    std::u16string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format.substr(i, 2) == "%x") {
            text += hexLowerCase(result);
            ++i;
        } else {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(format[i])));
        }
    }
    text.resize(std::min(text.size(), failureMaxLength));
    ports.messages.showInformation(MessageOwner::none, text, state.productName.view());
}

}  // namespace telvia

#include "playback/stream/hls/hls_variables.h"

#include <algorithm>

#include "common/percent_decoding.h"
#include "playback/stream/hls/hls_attribute_list.h"

namespace telvia::stream {

namespace {

constexpr std::string_view referenceStart = "{$";

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool isName(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isNameCharacter);
}

// The value of the first query parameter with this exact name, percent-decoded.
std::optional<std::string> queryParameter(std::string_view address, std::string_view name)
{
    address = address.substr(0, address.find('#'));
    const std::size_t question = address.find('?');
    if (question == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view query = address.substr(question + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t equals = pair.find('=');
        if (pair.substr(0, equals) == name) {
            return percentDecode(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
        }
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    }
    return std::nullopt;
}

}  // namespace

const HlsVariable* HlsVariables::find(std::string_view name) const
{
    const auto found = std::find_if(variables_.begin(), variables_.end(),
                                    [name](const HlsVariable& variable) { return variable.name == name; });
    return found == variables_.end() ? nullptr : &*found;
}

bool HlsVariables::define(std::string_view attributes, const std::vector<HlsVariable>* imports,
                          std::string_view playlistAddress)
{
    const auto list = parseHlsAttributeList(attributes);
    if (!list) {
        return false;
    }
    const HlsAttribute* name = findHlsAttribute(*list, "NAME");
    const HlsAttribute* value = findHlsAttribute(*list, "VALUE");
    const HlsAttribute* import = findHlsAttribute(*list, "IMPORT");
    const HlsAttribute* query = findHlsAttribute(*list, "QUERYPARAM");
    // Exactly one way to define it.
    if ((name != nullptr) + (import != nullptr) + (query != nullptr) != 1 || (name != nullptr) != (value != nullptr)) {
        return false;
    }
    HlsVariable variable;
    if (name != nullptr) {
        variable = {std::string(name->value), std::string(value->value)};
    } else if (import != nullptr) {
        if (imports == nullptr) {
            return false;  // only a media playlist imports
        }
        const auto found = std::find_if(imports->begin(), imports->end(),
                                        [import](const HlsVariable& v) { return v.name == import->value; });
        if (found == imports->end()) {
            return false;
        }
        variable = *found;
    } else {
        const std::optional<std::string> parameter = queryParameter(playlistAddress, query->value);
        if (!parameter) {
            return false;
        }
        variable = {std::string(query->value), *parameter};
    }
    if (!isName(variable.name)) {
        return false;
    }
    if (find(variable.name) != nullptr) {
        return false;
    }
    if (variables_.size() == hlsVariableLimit) {
        return false;
    }
    variables_.push_back(std::move(variable));
    return true;
}

std::optional<std::string> HlsVariables::substitute(std::string_view text, std::size_t longest) const
{
    std::string out;
    while (!text.empty()) {
        const std::size_t start = text.find(referenceStart);
        out.append(text.substr(0, start));
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t close = text.find('}', start);
        const std::string_view name =
            close == std::string_view::npos ? std::string_view() : text.substr(start + 2, close - start - 2);
        const HlsVariable* variable = isName(name) ? find(name) : nullptr;
        if (variable == nullptr) {
            return std::nullopt;
        }
        out.append(variable->value);
        if (out.size() > longest) {
            return std::nullopt;
        }
        text.remove_prefix(close + 1);
    }
    if (out.size() > longest) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> HlsVariables::substituteInTag(std::string_view line, std::size_t longest) const
{
    std::string out;
    std::size_t at = 0;
    while (at < line.size()) {
        std::size_t end = at + 1;
        bool substituted = false;
        if (line[at] == '"') {
            end = line.find('"', at + 1);
            end = end == std::string_view::npos ? line.size() : end + 1;
            substituted = true;
        } else if ((line[at] == '=' || line[at] == ':') && (line.substr(at + 1, 2) == "0x" || line.substr(at + 1, 2) == "0X")) {
            end = std::min(line.find(',', at), line.size());
            substituted = true;
        }
        const std::string_view part = line.substr(at, end - at);
        if (substituted) {
            const std::optional<std::string> replaced = substitute(part, longest);
            // A value that brought quotes of its own would end its string early.
            if (!replaced || std::count(replaced->begin(), replaced->end(), '"') != std::count(part.begin(), part.end(), '"')) {
                return std::nullopt;
            }
            out += *replaced;
        } else {
            out += part;
        }
        if (out.size() > longest) {
            return std::nullopt;
        }
        at = end;
    }
    return out;
}

}  // namespace telvia::stream

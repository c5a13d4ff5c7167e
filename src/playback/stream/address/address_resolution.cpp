#include "playback/stream/address/address_resolution.h"

namespace telvia::stream {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Drops "." and ".." segments the way a browser does, so "a/b/../c" becomes "a/c" and
// ".." never climbs above the root.
std::string removeDotSegments(std::string_view input)
{
    std::string output;
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../") || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            const std::size_t cut = output.rfind('/');
            output.erase(cut == std::string::npos ? 0 : cut);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t next = input.find('/', 1);
            const std::size_t length = next == std::string_view::npos ? input.size() : next;
            output.append(input.substr(0, length));
            input.remove_prefix(length);
        }
    }
    return output;
}

std::string mergePaths(const AddressParts& base, std::string_view referencePath)
{
    if (base.authority && base.path.empty()) {
        return "/" + std::string(referencePath);
    }
    const std::size_t slash = base.path.rfind('/');
    if (slash == std::string_view::npos) {
        return std::string(referencePath);
    }
    return std::string(base.path.substr(0, slash + 1)) + std::string(referencePath);
}

std::string compose(std::string_view scheme, std::optional<std::string_view> authority,
                    std::string_view path, std::optional<std::string_view> query)
{
    std::string out(scheme);
    out += ':';
    if (authority) {
        out += "//";
        out += *authority;
    }
    out += path;
    if (query) {
        out += '?';
        out += *query;
    }
    return out;
}

}  // namespace

bool hasScheme(std::string_view address)
{
    if (address.empty() || !isAlpha(address[0])) {
        return false;
    }
    for (std::size_t i = 1; i < address.size(); ++i) {
        const char c = address[i];
        if (c == ':') {
            return true;
        }
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return false;
}

AddressParts splitAddress(std::string_view address)
{
    AddressParts parts;
    if (const std::size_t hash = address.find('#'); hash != std::string_view::npos) {
        parts.fragment = address.substr(hash + 1);
        address = address.substr(0, hash);
    }
    if (const std::size_t mark = address.find('?'); mark != std::string_view::npos) {
        parts.query = address.substr(mark + 1);
        address = address.substr(0, mark);
    }
    if (hasScheme(address)) {
        const std::size_t colon = address.find(':');
        parts.scheme = address.substr(0, colon);
        address.remove_prefix(colon + 1);
    }
    if (address.starts_with("//")) {
        address.remove_prefix(2);
        const std::size_t slash = address.find('/');
        parts.authority = address.substr(0, slash);
        address = slash == std::string_view::npos ? std::string_view() : address.substr(slash);
    }
    parts.path = address;
    return parts;
}

std::optional<std::string> resolveAddress(std::string_view base, std::string_view reference)
{
    const AddressParts b = splitAddress(base);
    if (!b.scheme) {
        return std::nullopt;
    }
    const AddressParts r = splitAddress(reference);
    if (r.scheme) {
        return compose(*r.scheme, r.authority, removeDotSegments(r.path), r.query);
    }
    if (r.authority) {
        return compose(*b.scheme, r.authority, removeDotSegments(r.path), r.query);
    }
    if (r.path.empty()) {
        return compose(*b.scheme, b.authority, b.path, r.query ? r.query : b.query);
    }
    if (r.path.starts_with('/')) {
        return compose(*b.scheme, b.authority, removeDotSegments(r.path), r.query);
    }
    return compose(*b.scheme, b.authority, removeDotSegments(mergePaths(b, r.path)), r.query);
}

}  // namespace telvia::stream

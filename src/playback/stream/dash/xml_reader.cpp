#include "playback/stream/dash/xml_reader.h"

#include <algorithm>
#include <optional>

namespace telvia::stream {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || u >= 0x80;
}

bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

std::string_view localPart(std::string_view name)
{
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool isNamespaceDeclaration(std::string_view name) { return name == "xmlns" || name.starts_with("xmlns:"); }

// The characters XML allows in a document.
bool isAllowedCharacter(std::uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// "#123" or "#x1F": the character, if it is one XML allows.
std::optional<std::uint32_t> characterReference(std::string_view body)
{
    if (body.size() < 2 || body[0] != '#') {
        return std::nullopt;
    }
    const bool hex = body[1] == 'x';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : digits) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * (hex ? 16 : 10) + digit;
    }
    return isAllowedCharacter(value) ? std::optional<std::uint32_t>(value) : std::nullopt;
}

class Parser {
public:
    Parser(std::string_view text, const XmlLimits& limits) : text_(text), limits_(limits) {}

    XmlParseResult run()
    {
        if (text_.size() > limits_.bytes) {
            return XmlParseError{XmlError::tooLarge, limits_.bytes};
        }
        if (text_.starts_with(byteOrderMark)) {
            at_ = byteOrderMark.size();
        }
        while (!error_ && at_ < text_.size()) {
            step();
        }
        if (error_) {
            return *error_;
        }
        if (!stack_.empty()) {
            return XmlParseError{XmlError::unclosed, text_.size()};
        }
        if (!root_) {
            return XmlParseError{XmlError::noRoot, text_.size()};
        }
        return std::move(*root_);
    }

private:
    void fail(XmlError error) { error_ = XmlParseError{error, at_}; }
    void fail(XmlError error, std::size_t offset) { error_ = XmlParseError{error, offset}; }

    bool startsWith(std::string_view what) const { return text_.substr(at_).starts_with(what); }

    // Moves past `terminator`, which must come; false (and the error set) when it does not.
    bool skipPast(std::string_view terminator)
    {
        const std::size_t end = text_.find(terminator, at_);
        if (end == std::string_view::npos) {
            fail(XmlError::unclosed);
            return false;
        }
        at_ = end + terminator.size();
        return true;
    }

    void step()
    {
        if (text_[at_] != '<') {
            readText();
        } else if (startsWith("<!--")) {
            const std::size_t start = at_;
            at_ += 4;
            if (skipPast("-->") && text_.substr(start + 4, at_ - start - 7).find("--") != std::string_view::npos) {
                fail(XmlError::malformed, start);
            }
        } else if (startsWith("<?")) {
            at_ += 2;
            skipPast("?>");
        } else if (startsWith("<![CDATA[")) {
            readCdata();
        } else if (startsWith("<!DOCTYPE")) {
            fail(XmlError::doctype);
        } else if (startsWith("<!")) {
            fail(XmlError::malformed);
        } else if (startsWith("</")) {
            readEndTag();
        } else {
            readStartTag();
        }
    }

    void readText()
    {
        const std::size_t start = at_;
        const std::size_t end = std::min(text_.find('<', at_), text_.size());
        at_ = end;
        const std::string_view raw = text_.substr(start, end - start);
        if (stack_.empty()) {
            // Outside the root only white space may stand.
            for (const char c : raw) {
                if (!isSpace(c)) {
                    return fail(root_ ? XmlError::contentAfterRoot : XmlError::malformed, start);
                }
            }
            return;
        }
        if (!appendDecoded(stack_.back().text, raw, start, false)) {
            return;
        }
    }

    void readCdata()
    {
        const std::size_t start = at_;
        at_ += 9;
        const std::size_t end = text_.find("]]>", at_);
        if (end == std::string_view::npos) {
            return fail(XmlError::unclosed, start);
        }
        if (stack_.empty()) {
            return fail(root_ ? XmlError::contentAfterRoot : XmlError::malformed, start);
        }
        stack_.back().text.append(text_.substr(at_, end - at_));
        at_ = end + 3;
    }

    // Replaces references; in attribute values, white-space characters become spaces.
    bool appendDecoded(std::string& out, std::string_view raw, std::size_t offset, bool attribute)
    {
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const char c = raw[i];
            if (c != '&') {
                out += attribute && isSpace(c) ? ' ' : c;
                continue;
            }
            const std::size_t semicolon = raw.find(';', i);
            if (semicolon == std::string_view::npos) {
                fail(XmlError::badReference, offset + i);
                return false;
            }
            const std::string_view body = raw.substr(i + 1, semicolon - i - 1);
            if (body == "lt") {
                out += '<';
            } else if (body == "gt") {
                out += '>';
            } else if (body == "amp") {
                out += '&';
            } else if (body == "apos") {
                out += '\'';
            } else if (body == "quot") {
                out += '"';
            } else if (const auto character = characterReference(body)) {
                appendUtf8(out, *character);
            } else {
                fail(XmlError::badReference, offset + i);
                return false;
            }
            i = semicolon;
        }
        return true;
    }

    std::optional<std::string_view> readName()
    {
        const std::size_t start = at_;
        if (at_ >= text_.size() || !isNameStart(text_[at_])) {
            fail(at_ >= text_.size() ? XmlError::unclosed : XmlError::malformed);
            return std::nullopt;
        }
        while (at_ < text_.size() && isNameChar(text_[at_])) {
            ++at_;
        }
        return text_.substr(start, at_ - start);
    }

    void skipSpace()
    {
        while (at_ < text_.size() && isSpace(text_[at_])) {
            ++at_;
        }
    }

    void readStartTag()
    {
        const std::size_t start = at_;
        if (root_ && stack_.empty()) {
            return fail(XmlError::contentAfterRoot);
        }
        if (stack_.size() >= limits_.depth) {
            return fail(XmlError::tooDeep);
        }
        if (++elementCount_ > limits_.elements) {
            return fail(XmlError::tooManyElements);
        }
        ++at_;
        const auto name = readName();
        if (!name) {
            return;
        }
        XmlElement element;
        element.name = std::string(localPart(*name));
        std::vector<std::string_view> qualifiedNames;
        for (;;) {
            const bool spaced = at_ < text_.size() && isSpace(text_[at_]);
            skipSpace();
            if (at_ >= text_.size()) {
                return fail(XmlError::unclosed, start);
            }
            if (text_[at_] == '>' || startsWith("/>")) {
                break;
            }
            if (!spaced) {
                return fail(XmlError::malformed);
            }
            if (!readAttribute(element, qualifiedNames)) {
                return;
            }
        }
        const bool empty = text_[at_] == '/';
        at_ += empty ? 2 : 1;
        if (empty) {
            close(std::move(element));
        } else {
            openNames_.push_back(*name);
            stack_.push_back(std::move(element));
        }
    }

    bool readAttribute(XmlElement& element, std::vector<std::string_view>& qualifiedNames)
    {
        const std::size_t start = at_;
        const auto name = readName();
        if (!name) {
            return false;
        }
        skipSpace();
        if (at_ >= text_.size() || text_[at_] != '=') {
            fail(at_ >= text_.size() ? XmlError::unclosed : XmlError::malformed);
            return false;
        }
        ++at_;
        skipSpace();
        if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) {
            fail(at_ >= text_.size() ? XmlError::unclosed : XmlError::malformed);
            return false;
        }
        const char quote = text_[at_++];
        const std::size_t end = text_.find(quote, at_);
        if (end == std::string_view::npos) {
            fail(XmlError::unclosed, start);
            return false;
        }
        const std::string_view raw = text_.substr(at_, end - at_);
        if (raw.find('<') != std::string_view::npos) {
            fail(XmlError::malformed, at_);
            return false;
        }
        for (const std::string_view seen : qualifiedNames) {
            if (seen == *name) {
                fail(XmlError::duplicateAttribute, start);
                return false;
            }
        }
        if (qualifiedNames.size() >= limits_.attributesPerElement) {
            fail(XmlError::tooManyAttributes, start);
            return false;
        }
        qualifiedNames.push_back(*name);
        std::string value;
        if (!appendDecoded(value, raw, at_, true)) {
            return false;
        }
        at_ = end + 1;
        if (!isNamespaceDeclaration(*name)) {
            element.attributes.push_back(XmlAttribute{std::string(localPart(*name)), std::move(value)});
        }
        return true;
    }

    void readEndTag()
    {
        const std::size_t start = at_;
        at_ += 2;
        const auto name = readName();
        if (!name) {
            return;
        }
        skipSpace();
        if (at_ >= text_.size()) {
            return fail(XmlError::unclosed, start);
        }
        if (text_[at_] != '>') {
            return fail(XmlError::malformed);
        }
        ++at_;
        if (stack_.empty()) {
            return fail(root_ ? XmlError::contentAfterRoot : XmlError::mismatchedEnd, start);
        }
        if (openNames_.back() != *name) {
            return fail(XmlError::mismatchedEnd, start);
        }
        openNames_.pop_back();
        XmlElement element = std::move(stack_.back());
        stack_.pop_back();
        close(std::move(element));
    }

    void close(XmlElement element)
    {
        if (stack_.empty()) {
            root_ = std::move(element);
        } else {
            stack_.back().children.push_back(std::move(element));
        }
    }

    std::string_view text_;
    const XmlLimits& limits_;
    std::size_t at_ = 0;
    std::size_t elementCount_ = 0;
    std::vector<XmlElement> stack_;           // the open elements, outermost first
    std::vector<std::string_view> openNames_; // their qualified names, for the end tags
    std::optional<XmlElement> root_;
    std::optional<XmlParseError> error_;
};

}  // namespace

const std::string* XmlElement::attribute(std::string_view localName) const
{
    for (const XmlAttribute& a : attributes) {
        if (a.name == localName) {
            return &a.value;
        }
    }
    return nullptr;
}

const XmlElement* XmlElement::child(std::string_view localName) const
{
    for (const XmlElement& c : children) {
        if (c.name == localName) {
            return &c;
        }
    }
    return nullptr;
}

XmlParseResult parseXml(std::string_view text, const XmlLimits& limits)
{
    return Parser(text, limits).run();
}

std::string_view describe(XmlError error)
{
    switch (error) {
    case XmlError::tooLarge: return "document too large";
    case XmlError::tooDeep: return "elements nested too deeply";
    case XmlError::tooManyElements: return "too many elements";
    case XmlError::tooManyAttributes: return "too many attributes on one element";
    case XmlError::doctype: return "document type declaration refused";
    case XmlError::badReference: return "unknown entity or bad character reference";
    case XmlError::malformed: return "not well-formed";
    case XmlError::mismatchedEnd: return "end tag does not match";
    case XmlError::unclosed: return "document ends inside markup";
    case XmlError::noRoot: return "no root element";
    case XmlError::contentAfterRoot: return "content after the root element";
    case XmlError::duplicateAttribute: return "attribute given twice";
    }
    return "unknown";
}

}  // namespace telvia::stream

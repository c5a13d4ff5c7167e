// A small XML reader for manifests fetched from stream servers: untrusted text, read into a
// tree of elements with their attributes and text. Names are kept by their local part (a
// namespace prefix is dropped), namespace declarations are passed by. Comments, processing
// instructions and CDATA sections are read; a document type declaration is refused, so
// nothing can define entities: only the five predefined ones and character references are
// known. Size, depth, element and attribute counts are bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace telvia::stream {

struct XmlAttribute {
    std::string name;   // local name
    std::string value;  // with references replaced
};

struct XmlElement {
    std::string name;  // local name
    std::vector<XmlAttribute> attributes;
    std::string text;  // the character data directly inside it, in order, CDATA included
    std::vector<XmlElement> children;

    // The value of the first attribute with this local name, or none.
    [[nodiscard]] const std::string* attribute(std::string_view localName) const;
    // The first child element with this local name, or none.
    [[nodiscard]] const XmlElement* child(std::string_view localName) const;
};

struct XmlLimits {
    std::size_t bytes = 8 * 1024 * 1024;
    std::size_t depth = 32;
    std::size_t elements = 200'000;
    std::size_t attributesPerElement = 64;
};

enum class XmlError : std::uint8_t {
    tooLarge,            // more bytes than the limit
    tooDeep,             // elements nested past the limit
    tooManyElements,     // more elements than the limit
    tooManyAttributes,   // one element with more attributes than the limit
    doctype,             // a document type declaration: refused, entities and all
    badReference,        // an unknown entity, or a character reference to no allowed character
    malformed,           // anything else that is not well-formed XML
    mismatchedEnd,       // an end tag that does not close the open element
    unclosed,            // the text ends inside an element, comment, tag or section
    noRoot,              // no element at all
    contentAfterRoot,    // an element or text after the root element's end
    duplicateAttribute,  // the same attribute twice on one element
};

struct XmlParseError {
    XmlError error = XmlError::malformed;
    std::size_t offset = 0;  // where in the text it was found

    friend bool operator==(const XmlParseError&, const XmlParseError&) = default;
};

using XmlParseResult = std::variant<XmlElement, XmlParseError>;

// Reads a document in UTF-8 (a byte-order mark is allowed) into its root element.
[[nodiscard]] XmlParseResult parseXml(std::string_view text, const XmlLimits& limits = {});

[[nodiscard]] std::string_view describe(XmlError error);

}  // namespace telvia::stream

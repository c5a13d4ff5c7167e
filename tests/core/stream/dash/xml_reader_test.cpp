#include <optional>
#include <string>
#include <variant>

#include <gtest/gtest.h>

#include "playback/stream/dash/xml_reader.h"

namespace telvia::stream {
namespace {

XmlElement parsed(const std::string& text)
{
    XmlParseResult result = parseXml(text);
    if (const auto* error = std::get_if<XmlParseError>(&result)) {
        ADD_FAILURE() << describe(error->error) << " at " << error->offset;
        return {};
    }
    return std::get<XmlElement>(std::move(result));
}

TEST(XmlReader, ReadsElementsAttributesAndText)
{
    const XmlElement root = parsed(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!-- made by hand -->\n"
        "<mpd:MPD xmlns:mpd=\"urn:mpeg:dash:schema:mpd:2011\" xmlns=\"urn:x\" type='dynamic'\n"
        "         xlink:href=\"a&amp;b\" title=\"&lt;&gt;&quot;&apos;&#65;&#x42;&#x20AC;\tx\">\n"
        "  <BaseURL>http://cdn.example/<![CDATA[a<b>&c]]>/</BaseURL>\n"
        "  <?processing instruction?>\n"
        "  <Period><AdaptationSet/><AdaptationSet id=\"2\" /></Period>\n"
        "</mpd:MPD>\n"
        "<!-- after the root -->\n");
    EXPECT_EQ(root.name, "MPD");
    // Namespace declarations are passed by; prefixed names are found by their local part.
    ASSERT_EQ(root.attributes.size(), 3u);
    EXPECT_EQ(*root.attribute("type"), "dynamic");
    EXPECT_EQ(*root.attribute("href"), "a&b");
    EXPECT_EQ(*root.attribute("title"), "<>\"'AB\xE2\x82\xAC x");  // a tab in a value becomes a space
    EXPECT_EQ(root.attribute("xmlns"), nullptr);
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.child("BaseURL")->text, "http://cdn.example/a<b>&c/");
    const XmlElement* period = root.child("Period");
    ASSERT_NE(period, nullptr);
    ASSERT_EQ(period->children.size(), 2u);
    EXPECT_EQ(period->children[1].name, "AdaptationSet");
    EXPECT_EQ(*period->children[1].attribute("id"), "2");
    EXPECT_EQ(root.child("Missing"), nullptr);
}

TEST(XmlReader, RefusesWhatIsNotWellFormed)
{
    const struct {
        const char* name;
        std::string text;
        XmlError error;
    } cases[] = {
        {"document type, which could define entities",
         "<!DOCTYPE MPD [<!ENTITY a \"aaaa\">]><MPD>&a;</MPD>", XmlError::doctype},
        {"document type after a comment", "<!-- x --><!DOCTYPE MPD><MPD/>", XmlError::doctype},
        {"unknown entity", "<MPD>&a;</MPD>", XmlError::badReference},
        {"entity without its semicolon", "<MPD a=\"&amp\"/>", XmlError::badReference},
        {"reference to the NUL character", "<MPD>&#0;</MPD>", XmlError::badReference},
        {"reference to a surrogate", "<MPD>&#xD800;</MPD>", XmlError::badReference},
        {"reference past Unicode", "<MPD>&#x110000;</MPD>", XmlError::badReference},
        {"reference with too many digits", "<MPD>&#x0000000041;</MPD>", XmlError::badReference},
        {"end tag of another element", "<MPD><Period></MPD></Period>", XmlError::mismatchedEnd},
        {"end tag without a start", "</MPD>", XmlError::mismatchedEnd},
        {"end tag of a prefixed element without its prefix", "<a:MPD></MPD>", XmlError::mismatchedEnd},
        {"never closed", "<MPD><Period>", XmlError::unclosed},
        {"tag cut off", "<MPD a=\"1\"", XmlError::unclosed},
        {"value never closed", "<MPD a=\"1/>", XmlError::unclosed},
        {"comment never closed", "<MPD><!-- x</MPD>", XmlError::unclosed},
        {"CDATA never closed", "<MPD><![CDATA[x</MPD>", XmlError::unclosed},
        {"double hyphen inside a comment", "<MPD><!-- a -- b --></MPD>", XmlError::malformed},
        {"attribute without a value", "<MPD a/>", XmlError::malformed},
        {"unquoted value", "<MPD a=1/>", XmlError::malformed},
        {"attributes run together", "<MPD a=\"1\"b=\"2\"/>", XmlError::malformed},
        {"less-than inside a value", "<MPD a=\"<\"/>", XmlError::malformed},
        {"text before the root", "x<MPD/>", XmlError::malformed},
        {"other declaration", "<MPD><!ELEMENT x></MPD>", XmlError::malformed},
        {"the same attribute twice", "<MPD a=\"1\" a=\"2\"/>", XmlError::duplicateAttribute},
        {"a second root", "<MPD/><MPD/>", XmlError::contentAfterRoot},
        {"text after the root", "<MPD/>x", XmlError::contentAfterRoot},
        {"nothing but a prolog", "<?xml version=\"1.0\"?>\n", XmlError::noRoot},
        {"empty", "", XmlError::noRoot},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const XmlParseResult result = parseXml(c.text);
        const auto* error = std::get_if<XmlParseError>(&result);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->error, c.error) << describe(error->error);
    }
}

TEST(XmlReader, KeepsToItsLimits)
{
    XmlLimits limits;
    limits.bytes = 64;
    limits.depth = 3;
    limits.elements = 4;
    limits.attributesPerElement = 2;
    const struct {
        const char* name;
        std::string text;
        std::optional<XmlError> error;
    } cases[] = {
        {"at every limit", "<a x='1' y='2'><b><c/></b><b/></a>", std::nullopt},
        {"one byte too many", "<a>" + std::string(58, ' ') + "</a>", XmlError::tooLarge},
        {"nested one too deep", "<a><b><c><d/></c></b></a>", XmlError::tooDeep},
        {"one element too many", "<a><b/><b/><b/><b/></a>", XmlError::tooManyElements},
        {"one attribute too many", "<a x='1' y='2' z='3'/>", XmlError::tooManyAttributes},
        // Declarations count against the limit too: they cost as much to read.
        {"namespace declarations count", "<a xmlns='u' xmlns:p='v' x='1'/>", XmlError::tooManyAttributes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const XmlParseResult result = parseXml(c.text, limits);
        const auto* error = std::get_if<XmlParseError>(&result);
        if (c.error) {
            ASSERT_NE(error, nullptr);
            EXPECT_EQ(error->error, *c.error) << describe(error->error);
        } else {
            EXPECT_EQ(error, nullptr) << describe(error->error);
        }
    }
    // The default depth holds a real manifest's nesting, not a hostile one's.
    std::string deep;
    for (int i = 0; i < 100'000; ++i) deep += "<a>";
    const XmlParseResult result = parseXml(deep);
    ASSERT_TRUE(std::holds_alternative<XmlParseError>(result));
    EXPECT_EQ(std::get<XmlParseError>(result).error, XmlError::tooDeep);
}

}  // namespace
}  // namespace telvia::stream

// The application manifest reader: which texts are manifests, the settings
// read from them, and the UTF-8 code page set wherever the manifest stands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_manifest.h"

namespace {

const char kRoot[] = "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">";

struct Refused {
    const char* name;
    std::string text;
};

TEST(ParseManifest, RefusesWhatIsNotAWellFormedManifest) {
    const Refused cases[] = {
        {"empty", ""},
        {"plain text", "assembly"},
        {"another root", "<application/>"},
        {"unclosed root", std::string(kRoot) + "<a></a>"},
        {"crossed tags", std::string(kRoot) + "<a><b></a></b></assembly>"},
        {"two roots", "<assembly/><assembly/>"},
        {"text after the root", "<assembly/>x"},
        {"unquoted attribute", "<assembly v=1/>"},
        {"attribute given twice", "<assembly a='1' a='2'/>"},
        {"no blank between attributes", "<assembly a='1'b='2'/>"},
        {"< in an attribute", "<assembly a='<'/>"},
        {"unknown entity", "<assembly>&nbsp;</assembly>"},
        {"reference to a control character", "<assembly>&#1;</assembly>"},
        {"bare &", "<assembly>a & b</assembly>"},
        {"-- in a comment", "<assembly><!-- a -- b --></assembly>"},
        {"document type declaration", "<!DOCTYPE assembly><assembly/>"},
        {"late XML declaration", "<assembly/><?xml version='1.0'?>"},
        {"bad UTF-8", "<assembly>\xC3</assembly>"},
        {"overlong UTF-8", "<assembly>\xC0\xAF</assembly>"},
        {"control character", std::string("<assembly>\x01</assembly>")},
        {"two colons in a name", "<a:b:assembly/>"},
        {"]]> in text", "<assembly>]]></assembly>"},
    };
    for (const Refused& c : cases) {
        std::vector<ManifestElement> elements;
        std::string error;
        EXPECT_FALSE(parse_manifest(c.text, &elements, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

TEST(ReadManifestSettings, ReadsPrefixedElementsReferencesAndCdata) {
    std::string text =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c --><a:assembly xmlns:a=\"x\">"
        "<t:requestedExecutionLevel xmlns:t=\"y\" level='requireAdministrator' uiAccess=\"false\"/>"
        "<dpiAware> true/PM </dpiAware><dpiAwareness>Per&#77;onitor<![CDATA[V2]]></dpiAwareness>"
        "</a:assembly>";
    ManifestSettings s;
    ASSERT_TRUE(read_manifest_settings(text, &s));
    EXPECT_EQ("requireAdministrator", s.execution_level);
    EXPECT_EQ("false", s.ui_access);
    EXPECT_EQ("true/PM", s.dpi_aware);
    EXPECT_EQ("PerMonitorV2", s.dpi_awareness);
    EXPECT_EQ("", s.active_code_page);
}

const char kUtf8[] =
    "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>";

TEST(WithUtf8CodePage, SetsItWhereverTheManifestStands) {
    const std::string app = "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">";
    const std::string ws = "<windowsSettings xmlns=\"urn:schemas-microsoft-com:asm.v3\">";
    struct Case {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"an earlier code page replaced",
         "<assembly><x:activeCodePage xmlns:x='z'>Legacy</x:activeCodePage></assembly>",
         std::string("<assembly>") + kUtf8 + "</assembly>"},
        {"into windowsSettings",
         "<assembly><application><windowsSettings><a/></windowsSettings></application></assembly>",
         std::string("<assembly><application><windowsSettings><a/>") + kUtf8 +
             "</windowsSettings></application></assembly>"},
        {"into an empty prefixed windowsSettings",
         "<assembly><v3:application><v3:windowsSettings /></v3:application></assembly>",
         std::string("<assembly><v3:application><v3:windowsSettings >") + kUtf8 +
             "</v3:windowsSettings></v3:application></assembly>"},
        {"into application, not compatibility's",
         "<assembly><compatibility><application/></compatibility><application></application></assembly>",
         "<assembly><compatibility><application/></compatibility><application>" + ws + kUtf8 +
             "</windowsSettings></application></assembly>"},
        {"into an empty root", "<assembly/>",
         "<assembly>" + app + "<windowsSettings>" + kUtf8 + "</windowsSettings></application></assembly>"},
    };
    for (const Case& c : cases) {
        std::string out;
        ASSERT_TRUE(with_utf8_code_page(c.in, &out)) << c.name;
        EXPECT_EQ(c.out, out) << c.name;
        ManifestSettings s;
        ASSERT_TRUE(read_manifest_settings(out, &s)) << c.name;
        EXPECT_EQ("UTF-8", s.active_code_page) << c.name;
    }
    std::string out;
    EXPECT_FALSE(with_utf8_code_page("<assembly>", &out));
}

}  // namespace

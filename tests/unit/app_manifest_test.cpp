// The application manifest reader: which texts are manifests, the settings
// read from their places, and the UTF-8 code page set where Windows reads it.
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

const char kV3[] = "urn:schemas-microsoft-com:asm.v3";
const std::string kApplication = std::string("<application xmlns=\"") + kV3 + "\">";
const char kUtf8[] =
    "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>";

TEST(ReadManifestSettings, ReadsPrefixedElementsReferencesAndCdata) {
    std::string text =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c --><a:assembly xmlns:a=\"x\">"
        "<t:trustInfo xmlns:t=\"urn:schemas-microsoft-com:asm.v2\"><t:security>"
        "<v3:requestedPrivileges xmlns:v3=\"urn:schemas-microsoft-com:asm.v3\">"
        "<v3:requestedExecutionLevel level='requireAdministrator' uiAccess=\"false\"/>"
        "</v3:requestedPrivileges></t:security></t:trustInfo><b:application "
        "xmlns:b=\"urn:schemas-microsoft-com:asm.v3\">"
        "<b:windowsSettings><dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\"> true/PM "
        "</dpiAware>"
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">Per&#77;onitor<![CDATA[V2]]>"
        "&#13;&#x9B;</dpiAwareness></b:windowsSettings></b:application></a:assembly>";
    ManifestSettings s;
    ASSERT_TRUE(read_manifest_settings(text, &s));
    EXPECT_EQ("requireAdministrator", s.execution_level);
    EXPECT_EQ("false", s.ui_access);
    EXPECT_EQ("true/PM", s.dpi_aware);
    EXPECT_EQ("PerMonitorV2\r\xC2\x9B", s.dpi_awareness);
    EXPECT_EQ("", s.active_code_page);
}

// Look-alikes out of their place or namespace, which Windows does not read.
TEST(ReadManifestSettings, ReadsEachSettingOnlyFromItsPlaceAndNamespace) {
    const std::string trust = "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>";
    std::string text =
        std::string(kRoot) + kApplication + "<windowsSettings><requestedExecutionLevel level='asInvoker'/>" +
        "<activeCodePage>UTF-8</activeCodePage></windowsSettings></application>" +
        "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\"><application><windowsSettings>" + kUtf8 +
        "</windowsSettings></application></compatibility>" + trust +
        "<requestedExecutionLevel level='requireAdministrator' uiAccess='true'/></requestedPrivileges></security>"
        "</trustInfo><trustInfo><security><requestedPrivileges><requestedExecutionLevel level='highestAvailable'/>"
        "</requestedPrivileges></security></trustInfo></assembly>";
    ManifestSettings s;
    ASSERT_TRUE(read_manifest_settings(text, &s));
    EXPECT_EQ("requireAdministrator", s.execution_level);
    EXPECT_EQ("true", s.ui_access);
    EXPECT_EQ("", s.active_code_page);
}

TEST(WithUtf8CodePage, SetsItWhereWindowsReadsIt) {
    const std::string ws = std::string("<windowsSettings xmlns=\"") + kV3 + "\">";
    const std::string v3 = std::string(" xmlns:v3=\"") + kV3 + "\"";
    const std::string compatibility =
        std::string("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\"><application>") + kUtf8 +
        "</application></compatibility>";
    struct Case {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"an earlier code page replaced",
         "<assembly>" + kApplication + "<windowsSettings><x:activeCodePage xmlns:x='http://schemas.microsoft.com/SMI/" +
             "2019/WindowsSettings'>Legacy</x:activeCodePage></windowsSettings></application></assembly>",
         "<assembly>" + kApplication + "<windowsSettings>" + kUtf8 + "</windowsSettings></application></assembly>"},
        {"into windowsSettings",
         "<assembly>" + kApplication + "<windowsSettings><a/></windowsSettings></application></assembly>",
         "<assembly>" + kApplication + "<windowsSettings><a/>" + kUtf8 + "</windowsSettings></application></assembly>"},
        {"into an empty prefixed windowsSettings",
         "<assembly" + v3 + "><v3:application><v3:windowsSettings /></v3:application></assembly>",
         "<assembly" + v3 + "><v3:application><v3:windowsSettings >" + kUtf8 +
             "</v3:windowsSettings></v3:application></assembly>"},
        {"into application, not compatibility's, whose code page stays",
         "<assembly>" + compatibility + kApplication + "</application></assembly>",
         "<assembly>" + compatibility + kApplication + ws + kUtf8 + "</windowsSettings></application></assembly>"},
        {"not into an application of no namespace", "<assembly><application></application></assembly>",
         "<assembly><application></application>" + kApplication + "<windowsSettings>" + kUtf8 +
             "</windowsSettings></application></assembly>"},
        {"into an empty root", "<assembly/>",
         "<assembly>" + kApplication + "<windowsSettings>" + kUtf8 + "</windowsSettings></application></assembly>"},
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

// --manifest and --utf8 over a launcher's resources, and the manifest's line
// of --show.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app_manifest.h"
#include "manifest_edits.h"
#include "support/capture.h"
#include "support/files.h"

namespace {

const char kBare[] = "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"/>";
const char kAdministrator[] =
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"><trustInfo "
    "xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges><requestedExecutionLevel "
    "level=\"requireAdministrator\"/></requestedPrivileges></security></trustInfo></assembly>";

std::vector<Resource> with_manifest(const char* text, uint16_t language = 2057) {
    std::vector<Resource> resources(1);
    resources[0].type.id = 3;  // an icon, which the edits keep
    if (text == nullptr) return resources;
    Resource manifest{};
    manifest.type.id = kResourceManifest;
    manifest.name.id = kManifestId;
    manifest.language = language;
    manifest.data.assign(text, text + strlen(text));
    resources.push_back(manifest);
    return resources;
}

std::string shown(const std::vector<Resource>& resources) {
    StreamCapture out(1);
    show_manifest(resources);
    fflush(stdout);
    return out.finish();
}

TEST(ManifestEdits, TheFileOfManifestIsReadAndChecked) {
    ScratchDir dir;
    struct Case {
        const char* what;
        const char* text;  // null: no such file
        PackStatus status;
        const char* message;  // after the path
    } cases[] = {
        {"absent", nullptr, kOpenFailed, ""},
        {"another root", "<application/>", kValueRefused, " (the root element is <application>, not <assembly>)"},
        {"not XML", "assembly", kValueRefused, " (no root element at byte 0)"},
        {"an assembly", kAdministrator, kSuccess, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ManifestEdits edits{false, dir / "m.xml", ""};
        remove(edits.path.c_str());
        if (c.text) write_file(edits.path, c.text);
        StreamCapture err(2);
        EXPECT_EQ(c.status, load_manifest_file(&edits));
        fflush(stderr);
        std::string expected = c.status == kOpenFailed ? "Error opening '" + edits.path + "': no such file\n"
                               : c.message             ? "Not a valid manifest: " + edits.path + c.message + "\n"
                                                       : "";
        EXPECT_EQ(as_written(expected), err.finish());
        EXPECT_EQ(c.status == kSuccess ? c.text : "", edits.replacement);
    }
    ManifestEdits none{true, "", ""};
    EXPECT_EQ(kSuccess, load_manifest_file(&none));
}

TEST(ManifestEdits, TheManifestIsReplacedThenGetsItsCodePage) {
    const char* kLine = "Manifest: execution level %s (uiAccess (none)), DPI awareness (none) (dpiAware (none)), code page %s\n";
    struct Case {
        const char* what;
        const char* launcher;  // the launcher's manifest; null: none
        bool utf8;
        const char* replacement;
        uint16_t language;
        const char* level;
        const char* code_page;
    } cases[] = {
        {"no edit", kBare, false, "", 2057, "(none)", "(the system's ANSI code page)"},
        {"--utf8", kBare, true, "", 2057, "(none)", "UTF-8"},
        {"--utf8 without a manifest", nullptr, true, "", 1033, "(none)", "UTF-8"},
        {"--utf8 over a broken one", "<assembly>", true, "", 2057, "(none)", "UTF-8"},
        {"--manifest", kBare, false, kAdministrator, 2057, "requireAdministrator", "(the system's ANSI code page)"},
        {"--manifest --utf8", nullptr, true, kAdministrator, 1033, "requireAdministrator", "UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Resource> resources = with_manifest(c.launcher);
        ManifestEdits edits{c.utf8, *c.replacement ? "m.xml" : "", c.replacement};
        apply_manifest_edits(edits, &resources);
        ASSERT_EQ(c.launcher || c.utf8 || *c.replacement ? 2u : 1u, resources.size());
        EXPECT_EQ(3, resources[0].type.id);
        EXPECT_EQ(c.language, resources[1].language);
        char line[512];
        snprintf(line, sizeof line, kLine, c.level, c.code_page);
        EXPECT_EQ(as_written(line), shown(resources));
    }
}

TEST(ManifestEdits, ShowSaysWhenThereIsNoManifestOrItIsBroken) {
    EXPECT_EQ(as_written("Manifest: none\n"), shown(with_manifest(nullptr)));
    EXPECT_EQ(as_written("Manifest: not well-formed\n"), shown(with_manifest("<assembly>")));
}

}  // namespace

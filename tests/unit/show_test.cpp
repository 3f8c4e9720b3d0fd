// vandrel-pack --show over files built here: what it prints of a launcher's
// values and of what is appended to it, and the files it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pe_image.h"
#include "show.h"
#include "string_block.h"
#include "support/capture.h"
#include "support/files.h"
#include "support/outcome.h"
#include "support/pe_builder.h"
#include "support/zip_builder.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// A console launcher whose only section holds `resources`.
std::string launcher_file(const std::vector<Resource>& resources) {
    pe_builder::Headers h;
    h.subsystem = kPeSubsystemWindowsConsole;
    h.sections = {{".rsrc", 0, 0, 0, 0, 0x40000040}};
    Bytes rsrc;
    EXPECT_EQ(ResourceResult::kDone, build_resource_section(resources, h.section_alignment, &rsrc));
    pe_builder::lay_out(&h, {rsrc});
    h.directories[kDirectoryResource][0] = h.sections[0].virtual_address;
    h.directories[kDirectoryResource][1] = uint32_t(rsrc.size());
    Bytes image = pe_builder::image(h, {rsrc});
    return std::string(image.begin(), image.end());
}

// The value block with value 5 set, in language `language`.
Resource value_block(uint16_t language) {
    std::u16string strings[kStringsPerBlock];
    strings[5] = u"-Xmx1g# the comment";
    Resource r{};
    r.type.id = kResourceString;
    r.name.id = 1;
    r.language = language;
    r.data = encode_string_block(strings);
    return r;
}

TEST(Show, PrintsTheValuesAndWhatIsAppended) {
    const std::string configured = launcher_file({value_block(1033)});
    Bytes zip =
        zip_builder::archive({{"META-INF/MANIFEST.MF", "Main-Class: demo.Main\n"}, {"demo/Main.class", "x"}}, {});
    const std::string archive(zip.begin(), zip.end());
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::string> lines;  // each among the lines printed
    } cases[] = {
        {"bare",
         configured,
         {"Image: PE32 (32-bit), machine x86, subsystem console\n", "Values:\n", "  vm_arguments = -Xmx1g\n", "  min_version = \n",
          "Icon 101: none\n", "Version: none\n", "Manifest: none\n", "Archive: none (a bare launcher)\n",
          "Signed: no\n"}},
        {"no value block in language 1033",
         launcher_file({value_block(2057)}),
         {"Values: none (no string table block 1 in language 1033)\n"}},
        {"packed",
         configured + archive,
         {"Archive: appended at " + std::to_string(configured.size()) + ", opens: 2 entries, Main-Class: demo.Main\n"}},
        {"damaged archive", configured + "12345", {"Archive: 5 bytes appended, does not open\n"}},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(dir / "shown.exe", c.file);
        StreamCapture out(1);
        EXPECT_EQ(kSuccess, show((dir / "shown.exe").c_str()));
        fflush(stdout);
        std::string printed = out.finish();
        EXPECT_TRUE(contains(printed, as_written("File: " + dir / "shown.exe\n")));
        for (const std::string& line : c.lines) EXPECT_TRUE(contains(printed, as_written(line)));
    }
}

TEST(Show, RefusesWhatIsNoExecutable) {
    ScratchDir dir;
    write_file(dir / "text.exe", "plain text");
    struct Case {
        std::string path;
        PackStatus status;
        std::string message;
    } cases[] = {
        {dir / "text.exe", kNotALauncher, "Not a Windows executable: " + dir / "text.exe\n"},
        {dir / "absent.exe", kOpenFailed, "Error opening '" + dir / "absent.exe': no such file\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        StreamCapture out(1), err(2);
        EXPECT_EQ(c.status, show(c.path.c_str()));
        fflush(stdout), fflush(stderr);
        EXPECT_EQ(as_written(c.message), err.finish());
        EXPECT_EQ("", out.finish());
    }
}

}  // namespace

// Appending an archive after a launcher, on real files: its bytes as they
// were, the ZIP64 locator rebased, and a source that changes refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/archive_copy.h"
#include "platform/platform.h"
#include "support/files.h"
#include "support/outcome.h"
#include "support/zip_builder.h"

namespace {

// What the body copy does besides copying: change the source, or fail.
enum Meddling { kNone, kSourceGrows, kWriteFails };

struct Body {
    Meddling meddling;
    std::string source;
};

ArchiveCopy copy_body(FILE* in, unsigned long long length, FILE* out, void* context) {
    const Body& body = *static_cast<Body*>(context);
    if (body.meddling == kWriteFails) return kArchiveWriteFailed;
    if (body.meddling == kSourceGrows) write_file(body.source, read_file(body.source) + "more");
    std::vector<char> bytes(size_t(length) + 1);
    return fread(bytes.data(), 1, size_t(length), in) == length &&
                   fwrite(bytes.data(), 1, size_t(length), out) == length
               ? kArchiveCopied
               : kArchiveReadFailed;
}

TEST(AppendArchive, CopiesTheArchiveWithItsLocatorRebased) {
    const std::vector<zip_builder::Entry> entries = {{"a", std::string(100000, 'a')}, {"b", "b"}};
    const zip_builder::Bytes plain = zip_builder::archive(entries, {}),
                             zip64 = zip_builder::archive(entries, {0, true, false, ""});
    struct Case {
        const char* what;
        const zip_builder::Bytes& archive;
        Meddling meddling;
        long long modified_since;  // added to the time the source was opened with
        ArchiveCopy result;
        unsigned long long locator;  // 0: none to check
    } cases[] = {
        {"plain", plain, kNone, 0, kArchiveCopied, 0},
        {"ZIP64", zip64, kNone, 0, kArchiveCopied, zip64.size() - 22 - 20 - 56 + 1000},
        {"grows while copied", plain, kSourceGrows, 0, kArchiveReadFailed, 0},
        {"changed since it was opened", plain, kNone, 1, kArchiveReadFailed, 0},
        {"not written", plain, kWriteFails, 0, kArchiveWriteFailed, 0},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string archive(c.archive.begin(), c.archive.end());
        write_file(dir / "app.jar", archive);
        FILE* in = fopen((dir / "app.jar").c_str(), "rb");
        FILE* out = fopen((dir / "app.exe").c_str(), "wb");
        ASSERT_TRUE(in && out);
        FileStatus opened;
        ASSERT_TRUE(platform.file_status(in, &opened));
        opened.modified -= c.modified_since;
        fwrite(std::string(1000, 'L').data(), 1, 1000, out);
        Body body{c.meddling, dir / "app.jar"};
        std::vector<unsigned char> tail(kArchiveTailRoom);
        EXPECT_EQ(c.result, append_archive(in, opened, out, 1000, tail.data(), copy_body, &body));
        fclose(in);
        fclose(out);
        if (c.result != kArchiveCopied) continue;
        std::string expected = std::string(1000, 'L') + archive;
        for (int i = 0; c.locator != 0 && i < 8; ++i)
            expected[1000 + archive.size() - 22 - 20 + 8 + size_t(i)] = char(c.locator >> (8 * i));
        EXPECT_TRUE(same_bytes(expected, read_file(dir / "app.exe")));
    }
}

}  // namespace

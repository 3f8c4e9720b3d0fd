// The ZIP directory reader and vandrel-pack's archive check over archives
// of the tests' ZIP builder: plain and ZIP64, at the file's start or after a
// launcher, with the ZIP64 locator as written and as rebased.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "jar_input.h"
#include "support/zip_builder.h"
#include "zip_directory.h"

namespace {

typedef std::vector<unsigned char> Bytes;

struct ArchiveShape {
    const char* name;
    size_t prefix;  // bytes before the archive
    bool zip64;     // ZIP64 end record, locator, and the entries' offsets in ZIP64 extra fields
    bool rebase;    // the locator rebased for the prefix
    const char* comment;
};

// Two stored entries: a manifest naming demo.Main and one class file.
Bytes build_archive(const ArchiveShape& shape) {
    return zip_builder::archive({{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nMain-Class: demo.Main\r\n\r\n"},
                                 {"demo/Main.class", "\xca\xfe\xba\xbe"}},
                                {shape.prefix, shape.zip64, shape.rebase, shape.comment});
}

// The archive check as vandrel-pack runs it, over `zip` written to a file.
bool inspect_archive(const Bytes& zip, ArchiveInfo* info) {
    FILE* file = tmpfile();
    bool written = file != nullptr && fwrite(zip.data(), 1, zip.size(), file) == zip.size() && fflush(file) == 0;
    EXPECT_TRUE(written);
    bool found = written && inspect_archive_file(InputFile{file, "archive", zip.size(), 0}, 0, info);
    if (file != nullptr) fclose(file);
    return found;
}

const ArchiveShape kArchives[] = {
    {"plain", 0, false, false, ""},
    {"plain with a comment", 0, false, false, "made by hand"},
    {"plain after a launcher", 4096, false, false, ""},
    {"ZIP64", 0, true, false, ""},
    {"ZIP64 after a launcher, locator rebased", 4096, true, true, "note"},
};

TEST(ZipDirectory, ReadsEveryArchiveTheSameWay) {
    for (const ArchiveShape& shape : kArchives) {
        SCOPED_TRACE(shape.name);
        Bytes zip = build_archive(shape);
        ArchiveInfo info;
        ASSERT_TRUE(inspect_archive(zip, &info));
        EXPECT_EQ(shape.prefix, info.start);
        EXPECT_EQ(shape.zip64, info.zip64);
        EXPECT_EQ(2u, info.entries);
        EXPECT_TRUE(info.has_main_class);
        EXPECT_EQ("demo.Main", info.main_class);
    }
}

// Rebases the locator of `file` (an archive written for position 0) by
// `shift`, over its tail as the packagers hold it back.
bool rebase(Bytes& file, uint64_t shift) {
    size_t tail = file.size() < kZipTailMax ? file.size() : kZipTailMax;
    return rebase_zip64_locator(file.data() + file.size() - tail, tail, file.size() - tail, shift);
}

TEST(ZipDirectory, LocatorIsRebasedToTheAbsoluteRecord) {
    Bytes jar = build_archive({"ZIP64 at 0", 0, true, false, "c"});
    Bytes file(1000, 'L');
    ASSERT_TRUE(rebase(jar, 1000));
    file.insert(file.end(), jar.begin(), jar.end());
    ArchiveInfo info;
    ASSERT_TRUE(inspect_archive(file, &info));
    EXPECT_EQ(1000u, info.start);
    EXPECT_TRUE(info.zip64);
}

// Bytes that only look like a locator, or a locator that names no agreeing
// record, are left alone: the Java runtime does not follow them either, and
// refuses the ZIP64 archives among them.
TEST(ZipDirectory, OnlyTheLocatorTheJavaRuntimeFollowsCounts) {
    struct Case {
        const char* name;
        ArchiveShape shape;
        void (*damage)(Bytes&);
        bool opens;
    };
    const Case cases[] = {
        {"plain", kArchives[0], nullptr, true},
        {"a comment ending in locator bytes", kArchives[0],
         [](Bytes& z) {
             // The last entry's comment, which ends where the end record begins.
             const Bytes comment = {0x50, 0x4b, 0x06, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
             size_t end = z.size() - 22;
             z.insert(z.begin() + long(end), comment.begin(), comment.end());
             size_t entry = end - (46 + 15);
             z[entry + 32] = 20;
             z[end + 20 + 12] += 20;
         },
         true},
        {"a locator that counts from the archive's start", {"", 4096, true, false, ""}, nullptr, false},
        {"a locator naming no ZIP64 record", kArchives[3], [](Bytes& z) { z[z.size() - 22 - 20 + 8] = 7; }, false},
        {"a ZIP64 record that disagrees", kArchives[3],
         [](Bytes& z) { z[z.size() - 22 + 10] = 3, z[z.size() - 22 + 11] = 0; }, false},
        {"bytes after the end record", kArchives[3], [](Bytes& z) { z.push_back(0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes zip = build_archive(c.shape);
        if (c.damage) c.damage(zip);
        Bytes before = zip;
        EXPECT_FALSE(rebase(zip, 1000));
        EXPECT_EQ(before, zip);
        ArchiveInfo info;
        EXPECT_EQ(c.opens, inspect_archive(zip, &info));
    }
}

TEST(ZipDirectory, RefusesBrokenArchives) {
    struct Case {
        const char* name;
        void (*damage)(Bytes&);
    };
    const Case cases[] = {
        {"no end record", [](Bytes& z) { z.resize(z.size() - 22); }},
        {"directory larger than the file",
         [](Bytes& z) { z[z.size() - 22 + 12] = 0xF0, z[z.size() - 22 + 15] = 0x7F; }},
        {"directory entry with a wrong signature",
         [](Bytes& z) {
             size_t size = z[z.size() - 22 + 12] | z[z.size() - 22 + 13] << 8;
             z[z.size() - 22 - size] = 'Q';
         }},
        {"ZIP64 fields without a ZIP64 record",
         [](Bytes& z) {
             for (int i = 12; i < 20; ++i) z[z.size() - 22 + i] = 0xFF;
         }},
        {"only text", [](Bytes& z) { z.assign(100, 't'); }},
        {"more entries than the directory holds", [](Bytes& z) { z[z.size() - 22 + 8] = z[z.size() - 22 + 10] = 3; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes zip = build_archive(kArchives[0]);
        c.damage(zip);
        ArchiveInfo info;
        EXPECT_FALSE(inspect_archive(zip, &info));
    }
}

}  // namespace

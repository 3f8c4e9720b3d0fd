// The ZIP directory reader and vandrel-pack's archive check over archives
// built here byte by byte: plain and ZIP64, at the file's start or after a
// launcher, with the ZIP64 locator as written and as rebased.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "jar_input.h"
#include "zip_directory.h"

namespace {

typedef std::vector<unsigned char> Bytes;

void put(Bytes& b, uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

struct ArchiveShape {
    const char* name;
    size_t prefix;  // bytes before the archive
    bool zip64;     // ZIP64 end record, locator, and the entries' offsets in ZIP64 extra fields
    bool rebase;    // the locator rebased for the prefix
    const char* comment;
};

// Two stored entries: a manifest naming demo.Main and one class file.
Bytes build_archive(const ArchiveShape& shape) {
    const std::string names[2] = {"META-INF/MANIFEST.MF", "demo/Main.class"};
    const std::string data[2] = {"Manifest-Version: 1.0\r\nMain-Class: demo.Main\r\n\r\n", "\xca\xfe\xba\xbe"};
    Bytes zip(shape.prefix, 'x');
    uint64_t offsets[2];
    for (int i = 0; i < 2; ++i) {
        offsets[i] = zip.size() - shape.prefix;
        put(zip, 0x04034b50, 4);
        put(zip, 20, 2), put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4), put(zip, 0, 4);
        put(zip, data[i].size(), 4), put(zip, data[i].size(), 4);
        put(zip, names[i].size(), 2), put(zip, 0, 2);
        zip.insert(zip.end(), names[i].begin(), names[i].end());
        zip.insert(zip.end(), data[i].begin(), data[i].end());
    }
    uint64_t directory = zip.size() - shape.prefix;
    for (int i = 0; i < 2; ++i) {
        put(zip, 0x02014b50, 4);
        put(zip, 45, 2), put(zip, 45, 2), put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4), put(zip, 0, 4);
        put(zip, data[i].size(), 4), put(zip, data[i].size(), 4);
        put(zip, names[i].size(), 2), put(zip, shape.zip64 ? 12 : 0, 2), put(zip, 0, 2);
        put(zip, 0, 2), put(zip, 0, 2), put(zip, 0, 4);
        put(zip, shape.zip64 ? 0xFFFFFFFF : offsets[i], 4);
        zip.insert(zip.end(), names[i].begin(), names[i].end());
        if (shape.zip64) put(zip, 1, 2), put(zip, 8, 2), put(zip, offsets[i], 8);
    }
    uint64_t directory_size = zip.size() - shape.prefix - directory;
    if (shape.zip64) {
        uint64_t record = zip.size() - shape.prefix;
        put(zip, 0x06064b50, 4), put(zip, 44, 8), put(zip, 45, 2), put(zip, 45, 2), put(zip, 0, 4), put(zip, 0, 4);
        put(zip, 2, 8), put(zip, 2, 8), put(zip, directory_size, 8), put(zip, directory, 8);
        put(zip, 0x07064b50, 4), put(zip, 0, 4), put(zip, record + (shape.rebase ? shape.prefix : 0), 8),
            put(zip, 1, 4);
    }
    size_t comment = strlen(shape.comment);
    put(zip, 0x06054b50, 4), put(zip, 0, 2), put(zip, 0, 2);
    put(zip, shape.zip64 ? 0xFFFF : 2, 2), put(zip, shape.zip64 ? 0xFFFF : 2, 2);
    put(zip, shape.zip64 ? 0xFFFFFFFF : directory_size, 4), put(zip, shape.zip64 ? 0xFFFFFFFF : directory, 4);
    put(zip, comment, 2);
    zip.insert(zip.end(), shape.comment, shape.comment + comment);
    return zip;
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

TEST(ZipDirectory, ManifestMainClass) {
    struct Case {
        const char* manifest;
        const char* main_class;  // null: none
    };
    const Case cases[] = {
        {"Manifest-Version: 1.0\r\nMain-Class: a.B\r\n", "a.B"},
        {"Manifest-Version: 1.0\nmain-class: a.B\n", "a.B"},
        {"Main-Class: a.B \t\r\n", "a.B"},  // trailing blanks go, as java -jar drops them
        {"Main-Class: com.example.very.long.packa\r\n ge.Main\r\n\r\n", "com.example.very.long.package.Main"},
        {"Manifest-Version: 1.0\r\n\r\nName: x\r\nMain-Class: a.B\r\n", nullptr},
        {"Manifest-Version: 1.0\r\nMain-Class:a.B\r\n", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manifest);
        std::string found;
        EXPECT_EQ(c.main_class != nullptr, manifest_main_class(c.manifest, &found));
        if (c.main_class) {
            EXPECT_EQ(c.main_class, found);
        }
    }
}

}  // namespace

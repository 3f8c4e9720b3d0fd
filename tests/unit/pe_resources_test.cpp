// PE images built here: the resource tree read, edited, written back into
// the image and read again; the section table, directories and sizes that
// the rewrite must keep consistent; vandrel-pack's check that a written
// launcher reads back as edited.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ico_file.h"
#include "launcher_image.h"
#include "little_endian.h"
#include "pack_edits.h"
#include "pe_image.h"
#include "support/pe_builder.h"
#include "version_info.h"

namespace {

typedef std::vector<unsigned char> Bytes;

Resource resource(uint16_t type, const char16_t* type_name, uint16_t name, const char16_t* name_name, uint16_t language,
                  const char* data) {
    Resource r{};
    r.type.id = type;
    if (type_name) r.type.name = type_name;
    r.name.id = name;
    if (name_name) r.name.name = name_name;
    r.language = language;
    r.data.assign(data, data + strlen(data));
    return r;
}

// In directory order: named types first, then by number; within, names then numbers.
std::vector<Resource> sample_resources() {
    std::u16string strings[16];
    strings[5] = u"-Xmx256m# comment";
    Resource block = resource(kResourceString, nullptr, 1, nullptr, 1033, "");
    block.data = encode_string_block(strings);
    return {resource(0, u"MYDATA", 0, u"CONFIG", 0, "named type, named entry"),
            resource(kResourceIcon, nullptr, 1, nullptr, 1033, "sixteen"),
            resource(kResourceIcon, nullptr, 1, nullptr, 1036, "seize"),
            block,
            resource(10, nullptr, 0, u"BLOB", 1033, "raw data of odd length"),
            resource(10, nullptr, 7, nullptr, 1033, ""),
            resource(kResourceGroupIcon, nullptr, 101, nullptr, 1033, "group")};
}

struct Layout {
    const char* name;
    bool pe32_plus;
    bool data_after_resources;  // a section other than relocations follows .rsrc
    bool symbols_after_table;   // COFF symbols (no symbol, an empty string table) right after the section table
};

Bytes section_of(const std::vector<Resource>& resources) {
    Bytes rsrc;
    EXPECT_EQ(ResourceResult::kDone, build_resource_section(resources, 0x2000, &rsrc));
    return rsrc;
}

// A PE image with .text, .rsrc (the resource section `rsrc`, at 0x2000) and
// then .reloc, or .data when data_after_resources, then `empty` sections
// without data, with room for one more; section alignment 0x1000, file 0x200.
Bytes build_image(const Layout& layout, const Bytes& rsrc, size_t empty = 0) {
    pe_builder::Headers h;
    h.pe32_plus = layout.pe32_plus;
    h.empty_sections = empty;
    h.size_of_headers = uint32_t(
        std::max<size_t>(0x400, (pe_builder::section_table_offset(h) + 40 * (4 + empty) + 0x1FF) / 0x200 * 0x200));
    h.subsystem = kPeSubsystemWindowsConsole;
    h.sections = {{".text", 0, 0, 0, 0, 0x60000020},
                  {".rsrc", 0, 0, 0, 0, 0x40000040},
                  {layout.data_after_resources ? ".data" : ".reloc", 0, 0, 0, 0, 0x40000040}};
    const std::vector<Bytes> contents = {Bytes(0x123, 0xC3), rsrc, Bytes(0x64, 0x5A)};
    pe_builder::lay_out(&h, contents);
    if (layout.symbols_after_table) h.symbols = uint32_t(pe_builder::section_table_offset(h) + 40 * (3 + empty));
    h.directories[kDirectoryResource][0] = h.sections[1].virtual_address;
    h.directories[kDirectoryResource][1] = uint32_t(rsrc.size());
    // Relocations, or some other directory (a TLS one) in the data that follows.
    const int after = layout.data_after_resources ? 9 : kDirectoryBaseRelocation;
    h.directories[after][0] = h.sections[2].virtual_address;
    h.directories[after][1] = 0x64;
    return pe_builder::image(h, contents);
}

const Layout kLayouts[] = {
    {"PE32, relocations after the resources", false, false, false},
    {"PE32+, relocations after the resources", true, false, false},
    {"PE32, data after the resources", false, true, false},
    // The added section's header is written over the string table's size.
    {"PE32, data after the resources, symbols after the section table", false, true, true},
};

TEST(PeResources, TreeRoundTrip) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        Bytes file = build_image(layout, section_of(sample_resources()));
        PeImage image;
        ASSERT_TRUE(read_pe_image(file.data(), file.size(), &image));
        EXPECT_EQ(layout.pe32_plus, image.pe32_plus);
        EXPECT_EQ(file.size(), image.image_end);
        std::vector<Resource> read;
        ASSERT_EQ(ResourceResult::kDone, read_resources(file.data(), file.size(), image, &read));
        EXPECT_EQ(sample_resources(), read);
    }
}

TEST(PeResources, RewriteKeepsTheImageConsistent) {
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        Bytes file = build_image(layout, section_of(sample_resources()));
        PeImage before;
        ASSERT_TRUE(read_pe_image(file.data(), file.size(), &before));
        // Edited: a bigger string block, a version resource, one icon image fewer.
        std::vector<Resource> edited = sample_resources();
        std::u16string strings[16];
        strings[5] = std::u16string(3000, u'm') + u"# comment";
        edited[3].data = encode_string_block(strings);
        edited.erase(edited.begin() + 2);
        VersionInfo info{};
        set_version_string(&info, u"ProductName", u"Demo");
        Resource version = resource(kResourceVersion, nullptr, 1, nullptr, 1033, "");
        ASSERT_TRUE(build_version_info(info, &version.data));
        edited.push_back(version);

        Bytes out;
        ASSERT_EQ(ResourceResult::kDone,
                  replace_resources(file.data(), file.size(), before, edited, kPeSubsystemWindowsGui, &out));
        pe_update_checksum(out.data(), out.size(), before);
        PeImage after;
        ASSERT_TRUE(read_pe_image(out.data(), out.size(), &after));
        std::vector<Resource> read;
        ASSERT_EQ(ResourceResult::kDone, read_resources(out.data(), out.size(), after, &read));
        EXPECT_EQ(edited, read);
        EXPECT_EQ(kPeSubsystemWindowsGui, after.subsystem);
        EXPECT_EQ(after.checksum, pe_checksum(out.data(), out.size(), after));
        // The resources are where the directory says, in a section that ends the image.
        const PeSection& last = after.sections.back();
        EXPECT_EQ(after.size_of_image, (last.virtual_address + last.virtual_size + 0xFFF) / 0x1000 * 0x1000);
        EXPECT_EQ(out.size(), size_t(last.raw_pointer) + last.raw_size);
        for (size_t i = 1; i < after.sections.size(); ++i)
            EXPECT_GE(after.sections[i].virtual_address,
                      after.sections[i - 1].virtual_address + after.sections[i - 1].virtual_size);
        // Every original section's bytes are still there (moved or not).
        for (const PeSection& old : before.sections) {
            if (strcmp(old.name, ".rsrc") == 0) continue;
            bool kept = false;
            for (const PeSection& s : after.sections)
                kept = kept || (strcmp(s.name, old.name) == 0 && s.raw_size == old.raw_size &&
                                memcmp(&out[s.raw_pointer], &file[old.raw_pointer], old.raw_size) == 0);
            EXPECT_TRUE(kept) << old.name;
        }
        if (layout.symbols_after_table) {
            EXPECT_EQ(0u, after.pointer_to_symbol_table);  // written over, so dropped
        }
        if (layout.data_after_resources) {
            EXPECT_EQ(before.sections.size() + 1, after.sections.size());
            EXPECT_EQ(last.virtual_address, after.directories[kDirectoryResource].address);
            EXPECT_EQ(before.directories[9].address, after.directories[9].address);
        } else {
            EXPECT_EQ(before.sections.size(), after.sections.size());
            EXPECT_EQ(before.sections[1].virtual_address, after.directories[kDirectoryResource].address);
            EXPECT_EQ(last.virtual_address, after.directories[kDirectoryBaseRelocation].address);
        }
    }
}

TEST(PeResources, RefusesWhatIsNoImage) {
    Bytes good = build_image(kLayouts[0], section_of(sample_resources()));
    struct Case {
        const char* name;
        size_t at;
        uint8_t value;
        size_t keep;  // bytes kept; 0 all
    };
    const Case cases[] = {
        {"no MZ", 0, 'X', 0},
        {"no PE signature", 0x40, 'X', 0},
        {"unknown optional header", 0x58, 0x07, 0},
        {"section table beyond the file", 0, 'M', 0x100},
        {"section data beyond the file", 0, 'M', 0x700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = good;
        file[c.at] = c.value;
        if (c.keep) file.resize(c.keep);
        PeImage image;
        EXPECT_FALSE(read_pe_image(file.data(), file.size(), &image));
    }
}

// A resource section whose `leaves` names all lead to one language
// directory, and so to one data block of `block` bytes.
Bytes shared_leaves_section(size_t leaves, size_t block) {
    const size_t types = 0, names = 24, languages = names + 16 + 8 * leaves, entry = languages + 24;
    Bytes rsrc(entry + 16 + block, 0);
    store16(&rsrc[types + 14], 1);
    store32(&rsrc[types + 16], 10), store32(&rsrc[types + 20], 0x80000000u | names);
    store16(&rsrc[names + 14], uint32_t(leaves));
    for (size_t i = 0; i < leaves; ++i)
        store32(&rsrc[names + 16 + 8 * i], uint32_t(i + 1)),
            store32(&rsrc[names + 20 + 8 * i], 0x80000000u | languages);
    store16(&rsrc[languages + 14], 1);
    store32(&rsrc[languages + 16], 1033), store32(&rsrc[languages + 20], uint32_t(entry));
    store32(&rsrc[entry], uint32_t(0x2000 + entry + 16)), store32(&rsrc[entry + 4], uint32_t(block));
    return rsrc;
}

// What a reader could not read back, or what would make a size wrap, is
// refused with a result the caller reports.
TEST(PeResources, RefusesWhatIsTooLarge) {
    struct Case {
        const char* name;
        ResourceResult (*run)();
        ResourceResult expected;
    };
    const Case cases[] = {
        {"leaves sharing one data block, past 16 MiB together",
         [] {
             Bytes file = build_image(kLayouts[0], shared_leaves_section(300, 64 * 1024));
             PeImage image;
             std::vector<Resource> read;
             EXPECT_TRUE(read_pe_image(file.data(), file.size(), &image));
             return read_resources(file.data(), file.size(), image, &read);
         },
         ResourceResult::kTooLarge},
        {"data past 16 MiB",
         [] {
             Bytes out;
             Resource big = resource(10, nullptr, 1, nullptr, 1033, "");
             big.data.resize(kResourcesMaxBytes + 1);
             return build_resource_section({big}, 0x2000, &out);
         },
         ResourceResult::kTooLarge},
        {"a name of 65536 units",
         [] {
             Bytes out;
             Resource named = resource(10, nullptr, 0, nullptr, 1033, "x");
             named.name.name.assign(65536, u'N');
             return build_resource_section({named}, 0x2000, &out);
         },
         ResourceResult::kTooLarge},
        {"more directory entries than a reader takes",
         [] {
             Bytes out;
             std::vector<Resource> many(kResourceMaxEntries, resource(10, nullptr, 0, nullptr, 1033, ""));
             for (size_t i = 0; i < many.size(); ++i) many[i].name.id = uint16_t(i);
             return build_resource_section(many, 0x2000, &out);
         },
         ResourceResult::kTooLarge},
        {"a section past the 65535 the header counts",
         [] {
             Bytes file = build_image(kLayouts[2], section_of(sample_resources()), 65535 - 3);
             PeImage image;
             Bytes out;
             EXPECT_TRUE(read_pe_image(file.data(), file.size(), &image));
             return replace_resources(file.data(), file.size(), image, sample_resources(), kPeSubsystemWindowsGui,
                                      &out);
         },
         ResourceResult::kNoRoom},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, c.run());
    }
}

TEST(IconFile, ImagesBecomeAGroup) {
    Bytes ico = {0, 0, 1, 0, 2, 0};
    const Bytes images[2] = {Bytes(40, 1), Bytes(72, 2)};
    uint32_t offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        Bytes entry = {uint8_t(i ? 0 : 16), uint8_t(i ? 0 : 16), 0, 0, 1, 0, 32, 0};
        for (uint32_t v : {uint32_t(images[i].size()), offset}) {
            for (int k = 0; k < 4; ++k) entry.push_back(uint8_t(v >> (8 * k)));
        }
        ico.insert(ico.end(), entry.begin(), entry.end());
        offset += uint32_t(images[i].size());
    }
    for (const Bytes& image : images) ico.insert(ico.end(), image.begin(), image.end());

    std::vector<IconImage> read;
    ASSERT_EQ(IconRead::kRead, read_ico_file(ico.data(), ico.size(), &read));
    ASSERT_EQ(2u, read.size());
    EXPECT_EQ(images[1], read[1].data);
    read[0].id = 1, read[1].id = 2;
    Bytes group;
    ASSERT_TRUE(build_icon_group(read, &group));
    std::vector<IconImage> listed;
    ASSERT_TRUE(read_icon_group(group.data(), group.size(), &listed));
    ASSERT_EQ(2u, listed.size());
    EXPECT_EQ(16, listed[0].width);
    EXPECT_EQ(0, listed[1].width);  // 256
    EXPECT_EQ(1, listed[0].id);
    EXPECT_EQ(2, listed[1].id);
    EXPECT_EQ(72u, listed[1].bytes);

    Bytes cut(ico.begin(), ico.end() - 1);  // the last image runs past the end
    EXPECT_EQ(IconRead::kNotAnIcon, read_ico_file(cut.data(), cut.size(), &read));
    Bytes many(6 + 16 * 257, 0);  // 257 images
    many[2] = 1, many[4] = 1, many[5] = 1;
    EXPECT_EQ(IconRead::kTooLarge, read_ico_file(many.data(), many.size(), &read));
    ico.resize(kIconFileMaxBytes + 1);
    EXPECT_EQ(IconRead::kTooLarge, read_ico_file(ico.data(), ico.size(), &read));
}

TEST(VersionInfo, RoundTripAndVersionNumbers) {
    VersionInfo info{};
    ASSERT_TRUE(parse_version_quad("1.2.3.4", info.file_version));
    ASSERT_TRUE(parse_version_quad("7", info.product_version));
    set_version_string(&info, u"ProductName", u"Demo");
    set_version_string(&info, u"CompanyName", u"Brightfen");
    set_version_string(&info, u"ProductName", u"Demo Game");
    Bytes block;
    ASSERT_TRUE(build_version_info(info, &block));
    VersionInfo read;
    ASSERT_TRUE(read_version_info(block.data(), block.size(), &read));
    EXPECT_EQ(info.strings, read.strings);
    EXPECT_EQ(0, memcmp(info.file_version, read.file_version, sizeof info.file_version));
    EXPECT_EQ(7, read.product_version[0]);

    set_version_string(&info, u"ProductName", std::u16string(40000, u'x'));  // past a 16-bit block length
    EXPECT_FALSE(build_version_info(info, &block));

    uint16_t quad[4];
    for (const char* bad : {"", "1.", "1..2", "1.2.3.4.5", "65536", "v1", "1.2a"})
        EXPECT_FALSE(parse_version_quad(bad, quad)) << bad;
}

// What is written is read back before it is put in place: an image that does
// not read back as the edits made it is caught, whichever part is wrong.
TEST(PackEdits, WrittenImageReadsBack) {
    PackEdits edits{};
    std::string message;
    ASSERT_EQ(kEditOk, parse_set_argument("min_version=11", &edits, &message));
    ASSERT_EQ(kEditOk, parse_version_argument("ProductName=Demo", &edits, &message));
    edits.subsystem = kConsoleSubsystem;
    std::u16string strings[16];
    strings[5] = u"-Xmx256m# heap";
    Resource block = resource(kResourceString, nullptr, 1, nullptr, 1033, "");
    block.data = encode_string_block(strings);
    Launcher launcher{"small.exe", build_image(kLayouts[0], section_of({block})), {}, {}};
    ASSERT_TRUE(read_pe_image(launcher.bytes.data(), launcher.bytes.size(), &launcher.image));
    ASSERT_EQ(ResourceResult::kDone,
              read_resources(launcher.bytes.data(), launcher.bytes.size(), launcher.image, &launcher.resources));
    const Bytes unedited = launcher.bytes;
    Bytes edited;
    ASSERT_EQ(kSuccess, edit_launcher(edits, {}, &launcher, &edited));
    struct Case {
        const char* name;
        bool from_edited;  // else the launcher as it was
        size_t at;         // a byte changed to `value`
        uint8_t value;
        const char* what;  // null: reads back
    };
    const Case cases[] = {
        {"as made", true, 0, 'M', nullptr},
        {"section count wrapped to 0", true, 0x46, 0, "the executable's headers"},
        {"subsystem", true, 0x58 + 68, kPeSubsystemWindowsGui, "the subsystem"},
        {"the launcher as it was", false, 0, 'M', "the resources"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes image = c.from_edited ? edited : unedited;
        image[c.at] = c.value;
        const char* what = nullptr;
        EXPECT_EQ(c.what == nullptr, image_reads_back(image, edits, {}, launcher, &what));
        if (c.what != nullptr) {
            EXPECT_STREQ(c.what, what);
        }
    }
}

}  // namespace

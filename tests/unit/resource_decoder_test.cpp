// Decoding string-table entries from compiled resource images (.res), the
// way the POSIX build reads its embedded string table. Images are built here
// and then cut short or damaged; each one is placed right before an
// inaccessible page so that a read past its end faults.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "resource_decoder.h"

#ifndef _WIN32
extern "C" const unsigned char vandrel_resource_begin[];
extern "C" const unsigned char vandrel_resource_end[];
#endif

namespace {

typedef std::vector<unsigned char> Bytes;

void put16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, uint16_t(v));
    put16(b, uint16_t(v >> 16));
}
void pad4(Bytes& b) {
    while (b.size() % 4) b.push_back(0);
}

// A resource type or name: a number, or a text when `text` is non-empty.
struct NameOrId {
    uint16_t id;
    std::u16string text;
};

void put_name_or_id(Bytes& b, const NameOrId& n) {
    if (n.text.empty()) {
        put16(b, 0xFFFF);
        put16(b, n.id);
    } else {
        for (char16_t c : n.text) put16(b, uint16_t(c));
        put16(b, 0);
    }
}

// Appends one resource entry (header and data) to a .res image. Returns the
// offset where its data ends, before the padding that follows.
size_t add_resource(Bytes& image, const NameOrId& type, const NameOrId& name, const Bytes& data) {
    Bytes header;
    put_name_or_id(header, type);
    put_name_or_id(header, name);
    pad4(header);
    put32(header, 0);       // data version
    put16(header, 0x1030);  // memory flags
    put16(header, 0x0409);  // language
    put32(header, 0);       // version
    put32(header, 0);       // characteristics
    put32(image, uint32_t(data.size()));
    put32(image, uint32_t(header.size() + 8));
    image.insert(image.end(), header.begin(), header.end());
    image.insert(image.end(), data.begin(), data.end());
    size_t data_end = image.size();
    pad4(image);
    return data_end;
}

// A string-table block: entries 0 to entries.size() - 1, the rest absent
// unless `entries_written` says fewer entries are present at all.
Bytes string_block(const std::vector<std::u16string>& entries, size_t entries_written = 16) {
    Bytes data;
    for (size_t i = 0; i < entries_written; ++i) {
        std::u16string text = i < entries.size() ? entries[i] : std::u16string();
        put16(data, uint16_t(text.size()));
        for (char16_t c : text) put16(data, uint16_t(c));
    }
    return data;
}

const uint16_t kStringType = 6;

// An image as windres writes it: the empty leading entry, a named custom
// resource, then blocks 1 (ids 0-15) and 2 (ids 16-31).
struct SampleImage {
    Bytes bytes;
    size_t block1_data_end;
    size_t block2_data_end;
};

SampleImage sample_image() {
    SampleImage s;
    add_resource(s.bytes, {0, {}}, {0, {}}, {});
    add_resource(s.bytes, {0, u"CUSTOM"}, {0, u"DATA"}, Bytes{1, 2, 3, 4, 5});
    s.block1_data_end =
        add_resource(s.bytes, {kStringType, {}}, {1, {}}, string_block({u"", u"one", u"", u"three#c"}));
    s.block2_data_end = add_resource(s.bytes, {kStringType, {}}, {2, {}}, string_block({u"", u"seventeen"}));
    return s;
}

// A copy of `image` that ends where an inaccessible page begins.
class GuardedImage {
public:
    explicit GuardedImage(const Bytes& image) : size_(image.size()) {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
#else
        page_ = size_t(sysconf(_SC_PAGESIZE));
#endif
        size_t data_pages = (size_ + page_ - 1) / page_ + 1;
        total_ = (data_pages + 1) * page_;
#ifdef _WIN32
        base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, total_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (base_) VirtualProtect(base_ + data_pages * page_, page_, PAGE_NOACCESS, &old);
#else
        void* p = mmap(nullptr, total_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = p == MAP_FAILED ? nullptr : static_cast<unsigned char*>(p);
        if (base_) mprotect(base_ + data_pages * page_, page_, PROT_NONE);
#endif
        if (base_) {
            data_ = base_ + data_pages * page_ - size_;
            if (size_) memcpy(data_, image.data(), size_);
        }
    }
    ~GuardedImage() {
#ifdef _WIN32
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
#else
        if (base_) munmap(base_, total_);
#endif
    }
    bool ok() const { return base_ != nullptr; }
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    size_t size_;
    size_t page_ = 0;
    size_t total_ = 0;
    unsigned char* base_ = nullptr;
    unsigned char* data_ = nullptr;
};

struct Decoded {
    int length;
    std::string text;
    bool well_formed;  // terminated at `length`, nothing written past capacity
};

Decoded decode(const Bytes& image, unsigned id, int capacity = 64) {
    GuardedImage guarded(image);
    std::vector<char> buffer(size_t(capacity) + 8, '\x7f');
    Decoded d;
    d.length = decode_resource_string(guarded.data(), guarded.size(), id, buffer.data(), capacity);
    d.well_formed = guarded.ok() && d.length >= 0 && d.length < capacity && buffer[size_t(d.length)] == '\0';
    for (size_t i = size_t(capacity); i < buffer.size(); ++i)
        if (buffer[i] != '\x7f') d.well_formed = false;
    if (d.well_formed) d.text.assign(buffer.data(), size_t(d.length));
    return d;
}

::testing::AssertionResult decodes_as(const Bytes& image, unsigned id, const std::string& expected, int capacity = 64) {
    Decoded d = decode(image, id, capacity);
    if (!d.well_formed) return ::testing::AssertionFailure() << "id " << id << ": badly stored result";
    if (d.text != expected)
        return ::testing::AssertionFailure() << "id " << id << " decodes as " << ::testing::PrintToString(d.text)
                                             << " (" << d.length << ")";
    return ::testing::AssertionSuccess();
}

TEST(ResourceDecoder, DecodesTheStringsOfAnImage) {
    const Bytes sample = sample_image().bytes;
    Bytes short_block, cp1252;
    add_resource(short_block, {kStringType, {}}, {1, {}}, string_block({u"", u"one", u"two"}, 3));
    add_resource(cp1252, {kStringType, {}}, {1, {}},
                 string_block({u"", u"A\u00e9\u20ac\u0152\u017e\u0178\u2122\u2013\u00a0\u00ff\u4e2d"}));
    const struct {
        const Bytes& image;
        unsigned id;
        const char* text;
        int capacity;
    } cases[] = {
        // Entries across blocks, named resources skipped.
        {sample, 1, "one", 64},
        {sample, 3, "three#c", 64},
        {sample, 17, "seventeen", 64},
        // Cut to the capacity, as LoadString cuts.
        {sample, 17, "sev", 4},
        {sample, 17, "seventeen", 10},
        {sample, 17, "", 1},
        // A short block holds only its entries.
        {short_block, 2, "two", 64},
        {short_block, 3, "", 64},
        {short_block, 15, "", 64},
        // Code page 1252, "?" for what it lacks.
        {cp1252, 1, "A\xe9\x80\x8c\x9e\x9f\x99\x96\xa0\xff?", 64},
    };
    for (const auto& c : cases) EXPECT_TRUE(decodes_as(c.image, c.id, c.text, c.capacity));
    for (unsigned id : {0u, 2u, 4u, 15u, 16u, 18u, 31u, 32u, 100u, 0xFFFFFFFFu})
        EXPECT_TRUE(decodes_as(sample, id, ""));
    // An empty image holds no strings.
    EXPECT_TRUE(decodes_as(Bytes{}, 1, ""));
    EXPECT_TRUE(decodes_as(Bytes(7, 0), 1, ""));
}

TEST(ResourceDecoder, TruncatedImageReadsAsAbsentUntilTheBlockIsWhole) {
    SampleImage sample = sample_image();
    for (size_t cut = 0; cut < sample.bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        Bytes image(sample.bytes.begin(), sample.bytes.begin() + long(cut));
        bool block1_whole = cut >= sample.block1_data_end;
        EXPECT_TRUE(decodes_as(image, 1, block1_whole ? "one" : ""));
        EXPECT_TRUE(decodes_as(image, 3, block1_whole ? "three#c" : ""));
        EXPECT_TRUE(decodes_as(image, 17, cut >= sample.block2_data_end ? "seventeen" : ""));
    }
}

TEST(ResourceDecoder, DamagedHeaderFieldsReadAsAbsent) {
    Bytes good;
    add_resource(good, {kStringType, {}}, {1, {}}, string_block({u"", u"one"}));
    ASSERT_TRUE(decodes_as(good, 1, "one"));

    Bytes header_too_small = good;
    header_too_small[4] = 4;  // header size below its own two fields
    EXPECT_TRUE(decodes_as(header_too_small, 1, ""));

    Bytes header_too_large = good;
    header_too_large[4] = 0xF0, header_too_large[5] = 0xFF, header_too_large[6] = 0xFF, header_too_large[7] = 0xFF;
    EXPECT_TRUE(decodes_as(header_too_large, 1, ""));

    Bytes data_too_large = good;  // 32-bit sizes that wrap around when added
    for (int i = 0; i < 4; ++i) data_too_large[size_t(i)] = 0xFF;
    EXPECT_TRUE(decodes_as(data_too_large, 1, ""));

    Bytes length_too_large = good;  // entry 1's count runs past the block
    size_t header_size = length_too_large[4];
    length_too_large[header_size + 2] = 0xFF;
    length_too_large[header_size + 3] = 0x7F;
    EXPECT_TRUE(decodes_as(length_too_large, 1, ""));

    Bytes unterminated_name;  // a named type whose text runs to the image's end
    put32(unterminated_name, 0);
    put32(unterminated_name, 16);
    for (int i = 0; i < 4; ++i) put16(unterminated_name, 'A');
    EXPECT_TRUE(decodes_as(unterminated_name, 1, ""));
}

TEST(ResourceDecoder, AnyDamagedByteLeavesAWellFormedResult) {
    Bytes pristine = sample_image().bytes;
    for (size_t at = 0; at < pristine.size(); ++at) {
        for (unsigned char value : {0x00, 0x01, 0x06, 0x7F, 0x80, 0xFF}) {
            Bytes image = pristine;
            image[at] = value;
            for (unsigned id = 0; id < 34; ++id) {
                Decoded d = decode(image, id);
                if (!d.well_formed) {
                    ADD_FAILURE() << "byte " << at << " set to " << int(value) << ", id " << id;
                    return;
                }
            }
        }
    }
}

#ifndef _WIN32
TEST(ResourceDecoder, EmbeddedStringTableCutShortNeverOverruns) {
    Bytes real(vandrel_resource_begin, vandrel_resource_end);
    ASSERT_GT(real.size(), 32u);
    ASSERT_TRUE(decodes_as(real, 17, "second block"));
    for (size_t cut = 0; cut < real.size(); ++cut) {
        Bytes image(real.begin(), real.begin() + long(cut));
        for (unsigned id : {1u, 7u, 17u}) {
            Decoded d = decode(image, id);
            if (!d.well_formed) {
                ADD_FAILURE() << "cut at " << cut << ", id " << id;
                return;
            }
        }
    }
}
#endif

}  // namespace

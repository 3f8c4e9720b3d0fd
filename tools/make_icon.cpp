// Writes the launcher's icon: one 16x16 image with a 16-colour palette (four
// bits a pixel: the smallest icon that keeps the picture, 318 bytes).
// Run once by hand; its output is committed as launcher/resources/vandrel.ico.
//   g++ -o make_icon tools/make_icon.cpp && ./make_icon launcher/resources/vandrel.ico
#include <cstdint>
#include <cstdio>
#include <vector>

static void put16(std::vector<uint8_t>& v, unsigned x) { v.push_back(x & 0xff); v.push_back((x >> 8) & 0xff); }
static void put32(std::vector<uint8_t>& v, unsigned x) { put16(v, x & 0xffff); put16(v, x >> 16); }

int main(int argc, char** argv) {
    if (argc != 2) { std::fprintf(stderr, "usage: make_icon out.ico\n"); return 2; }
    const int side = 16, colours = 16;
    const unsigned xor_bytes = side * side / 2, and_bytes = side * 4;  // rows padded to 32 bits
    const unsigned image_bytes = 40 + colours * 4 + xor_bytes + and_bytes;
    std::vector<uint8_t> f;
    put16(f, 0); put16(f, 1); put16(f, 1);           // ICONDIR: reserved, type icon, one image
    f.push_back(side); f.push_back(side); f.push_back(colours); f.push_back(0);
    put16(f, 1); put16(f, 4); put32(f, image_bytes); put32(f, 6 + 16);
    put32(f, 40); put32(f, side); put32(f, side * 2); put16(f, 1); put16(f, 4);  // BITMAPINFOHEADER
    put32(f, 0); put32(f, xor_bytes + and_bytes); put32(f, 0); put32(f, 0); put32(f, colours); put32(f, 0);
    for (int i = 0; i < colours; ++i) {               // palette: a blue-to-amber ramp (B, G, R, 0)
        const int c = i * 17;
        f.push_back(static_cast<uint8_t>(255 - c)); f.push_back(static_cast<uint8_t>(c / 2 + 64));
        f.push_back(static_cast<uint8_t>(c)); f.push_back(0);
    }
    for (int y = 0; y < side; ++y)                    // a diagonal gradient with a light "V" on it
        for (int x = 0; x < side; x += 2) {             // two pixels a byte, the left one high
            auto pixel = [y](int px) { return (px - y / 2 == 3) || (px + y / 2 == 12) ? 15 : (px + y) * 7 / 16; };
            f.push_back(static_cast<uint8_t>(pixel(x) << 4 | pixel(x + 1)));
        }
    for (unsigned i = 0; i < and_bytes; ++i) f.push_back(0);  // fully opaque
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(f.data(), 1, f.size(), out) != f.size() || std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}

// Reads a configured launcher through the Win32 API, as Windows itself and
// the launcher read it, and prints one line per finding:
//   value N=[text]        LoadStringA, after the comment rule ("\n" escaped)
//   icon SIZE=WxH pixel=RRGGBB   LoadImageA / LoadIconA of group 101
//   version KEY=[text]    GetFileVersionInfoA / VerQueryValueA
//   fixed file=A.B.C.D product=A.B.C.D
//   checksum ok|bad       MapFileAndCheckSumA
//   pack_probe.exe FILE.exe
#include <windows.h>
#include <imagehlp.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string escaped(const char* text) {
    std::string out;
    for (; *text; ++text) out += *text == '\n' ? std::string("\\n") : std::string(1, *text);
    return out;
}

void print_icon(HMODULE module, int size) {
    HICON icon = size == 0 ? LoadIconA(module, MAKEINTRESOURCEA(101))
                           : static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(101), IMAGE_ICON, size, size, 0));
    ICONINFO info;
    if (icon == nullptr || !GetIconInfo(icon, &info)) {
        printf("icon %d=none\n", size);
        return;
    }
    BITMAP bitmap;
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bitmap.bmWidth;
    bi.bmiHeader.biHeight = -bitmap.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<unsigned char> pixels(size_t(bitmap.bmWidth) * bitmap.bmHeight * 4);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmColor, 0, UINT(bitmap.bmHeight), pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    printf("icon %d=%ldx%ld pixel=%02x%02x%02x\n", size, bitmap.bmWidth, bitmap.bmHeight, pixels[2], pixels[1],
           pixels[0]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        printf("cannot load %s\n", argv[1]);
        return 1;
    }
    for (unsigned id = 2; id <= 9; ++id) {
        char text[2000];
        int n = LoadStringA(module, id, text, sizeof text);
        text[n] = '\0';
        char* hash = strrchr(text, '#');
        if (hash) *hash = '\0';
        printf("value %u=[%s]\n", id, escaped(text).c_str());
    }
    print_icon(module, 16);
    print_icon(module, 32);
    print_icon(module, 0);
    FreeLibrary(module);

    DWORD ignored;
    DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
    std::vector<char> block(size ? size : 1);
    if (size && GetFileVersionInfoA(argv[1], 0, size, block.data())) {
        const char* keys[] = {"ProductName", "FileVersion", "CompanyName", "FileDescription"};
        for (const char* key : keys) {
            std::string path = std::string("\\StringFileInfo\\040904B0\\") + key;
            char* value = nullptr;
            UINT length = 0;
            if (VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) && value)
                printf("version %s=[%s]\n", key, value);
        }
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
            printf("fixed file=%lu.%lu.%lu.%lu product=%lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16,
                   fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF,
                   fixed->dwProductVersionMS >> 16, fixed->dwProductVersionMS & 0xFFFF,
                   fixed->dwProductVersionLS >> 16, fixed->dwProductVersionLS & 0xFFFF);
    } else {
        printf("version none\n");
    }
    DWORD header = 0, computed = 0;
    DWORD status = MapFileAndCheckSumA(argv[1], &header, &computed);
    printf("checksum %s\n", status == CHECKSUM_SUCCESS && header == computed ? "ok" : "bad");
    return 0;
}

// Fuzzes the manifest reader: whatever the text, nothing outside it is read;
// a manifest it accepts takes the UTF-8 code page, stays a manifest that says
// so with every other setting as it was, and taking it again changes nothing.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ManifestElement> elements;
    std::string error;
    if (!parse_manifest(text, &elements, &error)) {
        if (error.empty()) abort();
        return 0;
    }
    std::string utf8, again;
    ManifestSettings before, settings;
    if (!read_manifest_settings(text, &before)) abort();
    if (!with_utf8_code_page(text, &utf8) || !read_manifest_settings(utf8, &settings)) abort();
    if (settings.active_code_page != kUtf8CodePage) abort();
    if (settings.execution_level != before.execution_level || settings.ui_access != before.ui_access ||
        settings.dpi_aware != before.dpi_aware || settings.dpi_awareness != before.dpi_awareness)
        abort();
    if (!with_utf8_code_page(utf8, &again) || again != utf8) abort();
    return 0;
}

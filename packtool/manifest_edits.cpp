#include "manifest_edits.h"

#include <cstdio>
#include <cstring>

#include "app_manifest.h"
#include "base/text_rules.h"
#include "input_file.h"
#include "pack_edits.h"
#include "pack_messages.h"

namespace {

constexpr uint16_t kLanguage = 1033;
constexpr char kBareManifest[] = "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"/>";

bool is_manifest(const Resource& r) {
    return r.type.name.empty() && r.type.id == kResourceManifest && r.name.name.empty() && r.name.id == kManifestId;
}

const Resource* find_manifest(const std::vector<Resource>& resources) {
    for (const Resource& r : resources)
        if (is_manifest(r)) return &r;
    return nullptr;
}

// A setting as --show prints it: escaped (a character reference may give a
// control character), or `absent`.
std::string or_text(const std::string& value, const char* absent) {
    return value.empty() ? absent : escaped_for_terminal(value);
}

}  // namespace

bool manifest_edits_any(const ManifestEdits& edits) { return edits.utf8 || !edits.path.empty(); }

PackStatus load_manifest_file(ManifestEdits* edits) {
    if (edits->path.empty()) return kSuccess;
    // A regular file within what the resources may hold, never a device or a FIFO.
    std::vector<unsigned char> bytes;
    PackStatus status = read_whole_input(edits->path.c_str(), kResourcesMaxBytes, PACK_LIMIT_MANIFEST, &bytes);
    if (status != kSuccess) return status;
    std::string text(bytes.begin(), bytes.end());
    std::vector<ManifestElement> elements;
    std::string error;
    if (!parse_manifest(text, &elements, &error)) {
        fprintf(stderr, PACK_MSG_NOT_A_MANIFEST, edits->path.c_str(), error.c_str());
        return kValueRefused;
    }
    edits->replacement = text;
    return kSuccess;
}

void apply_manifest_edits(const ManifestEdits& edits, std::vector<Resource>* resources) {
    if (!manifest_edits_any(edits)) return;
    const Resource* old = find_manifest(*resources);
    std::string text = old ? std::string(old->data.begin(), old->data.end()) : kBareManifest;
    uint16_t language = old ? old->language : kLanguage;
    if (!edits.replacement.empty()) text = edits.replacement;
    std::string utf8;
    // An unreadable manifest of the launcher gives way to the bare one.
    if (edits.utf8) text = with_utf8_code_page(text, &utf8) || with_utf8_code_page(kBareManifest, &utf8) ? utf8 : text;
    for (size_t i = 0; i < resources->size();) {
        if (is_manifest((*resources)[i]))
            resources->erase(resources->begin() + long(i));
        else
            ++i;
    }
    Resource manifest{};
    manifest.type.id = kResourceManifest;
    manifest.name.id = kManifestId;
    manifest.language = language;
    manifest.data.assign(text.begin(), text.end());
    resources->push_back(manifest);
}

bool manifest_sets_utf8(const std::vector<Resource>& resources) {
    const Resource* manifest = find_manifest(resources);
    ManifestSettings settings;
    return manifest != nullptr &&
           read_manifest_settings(std::string(manifest->data.begin(), manifest->data.end()), &settings) &&
           settings.active_code_page.size() == strlen(kUtf8CodePage) &&
           equal_ignoring_case(settings.active_code_page.c_str(), kUtf8CodePage, strlen(kUtf8CodePage));
}

void show_manifest(const std::vector<Resource>& resources) {
    const Resource* manifest = find_manifest(resources);
    if (manifest == nullptr) {
        fputs(SHOW_NO_MANIFEST, stdout);
        return;
    }
    ManifestSettings settings;
    if (!read_manifest_settings(std::string(manifest->data.begin(), manifest->data.end()), &settings)) {
        fputs(SHOW_BROKEN_MANIFEST, stdout);
        return;
    }
    printf(SHOW_MANIFEST, or_text(settings.execution_level, SHOW_MANIFEST_ABSENT).c_str(),
           or_text(settings.ui_access, SHOW_MANIFEST_ABSENT).c_str(),
           or_text(settings.dpi_awareness, SHOW_MANIFEST_ABSENT).c_str(),
           or_text(settings.dpi_aware, SHOW_MANIFEST_ABSENT).c_str(),
           or_text(settings.active_code_page, SHOW_MANIFEST_SYSTEM_CODE_PAGE).c_str());
}

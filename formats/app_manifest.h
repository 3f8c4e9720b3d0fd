// Windows application manifests (resource type 24, id 1): the check that a
// text is well-formed XML with an `assembly` root, the settings the loader
// takes from it, and the setting that makes the process's ANSI code page
// UTF-8. Pure code over texts.
#ifndef VANDREL_FORMATS_APP_MANIFEST_H
#define VANDREL_FORMATS_APP_MANIFEST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr uint16_t kResourceManifest = 24;
constexpr uint16_t kManifestId = 1;
constexpr char kUtf8CodePage[] = "UTF-8";

// One element of a manifest, in document order.
struct ManifestElement {
    std::string qualified_name;  // as written, with its prefix
    std::string name;            // without the prefix
    int depth;                   // the root is 0
    size_t begin;                // its "<"
    size_t end;                  // past its end tag (past "/>" for an empty-element tag)
    size_t content_begin;        // past its start tag; `end` for an empty-element tag
    size_t content_end;          // at its end tag's "<"; `end` for an empty-element tag
    std::vector<std::pair<std::string, std::string>> attributes;  // name as written, value with references resolved
    std::string text;           // its character data (not its children's), references resolved
    int parent;                 // its parent's index; -1 for the root
    std::string namespace_uri;  // the namespace its prefix (or the default) names there; "" for none
};

// Parses `text` as XML 1.0 in UTF-8 (a byte-order mark allowed): one root
// element whose name without prefix is "assembly", elements properly
// nested, attributes quoted and not repeated, references and characters
// valid, comments, processing instructions and CDATA sections well formed.
// A document type declaration is refused. False with a one-line reason in
// `error` when the text is not such a manifest.
bool parse_manifest(const std::string& text, std::vector<ManifestElement>* elements, std::string* error);

// What the loader takes from a manifest; empty where it says nothing. Each
// setting is read only from its place and namespace, as Windows reads it
// (requestedExecutionLevel under trustInfo, security and
// requestedPrivileges of the asm.v2 or asm.v3 namespace; dpiAware,
// dpiAwareness and activeCodePage under the asm.v3 application and
// windowsSettings, each of its own WindowsSettings namespace): a look-alike
// elsewhere says nothing.
struct ManifestSettings {
    std::string execution_level;  // requestedExecutionLevel level
    std::string ui_access;        // requestedExecutionLevel uiAccess
    std::string dpi_aware;        // dpiAware, blanks around it removed
    std::string dpi_awareness;    // dpiAwareness
    std::string active_code_page;
};

// False when `text` is no well-formed manifest.
bool read_manifest_settings(const std::string& text, ManifestSettings* out);

// `text` with its activeCodePage set to UTF-8: the activeCodePage that
// Windows reads is replaced, else one is added to the windowsSettings it
// reads, which is added to the application settings, which are added to the
// root, as needed; look-alikes elsewhere stay as they are.
// False when `text` is no well-formed manifest.
bool with_utf8_code_page(const std::string& text, std::string* out);

#endif

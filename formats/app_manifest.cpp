#include "app_manifest.h"

#include <cstring>

#include "utf8.h"

namespace {

constexpr char kUtf8Element[] =
    "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>";
constexpr char kWindowsSettingsOpen[] = "<windowsSettings xmlns=\"urn:schemas-microsoft-com:asm.v3\">";
constexpr char kApplicationOpen[] = "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">";

struct Parser {
    const std::string& s;
    size_t p;
    std::vector<ManifestElement>* out;
    std::string error;
};

bool fail(Parser& x, const char* why) {
    if (x.error.empty()) x.error = std::string(why) + " at byte " + std::to_string(x.p);
    return false;
}

bool starts(const Parser& x, const char* literal) { return x.s.compare(x.p, strlen(literal), literal) == 0; }

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool skip_blanks(Parser& x) {
    size_t from = x.p;
    while (x.p < x.s.size() && is_blank(x.s[x.p])) ++x.p;
    return x.p > from;
}

bool is_name_start(unsigned char c) {
    return ((c | 32) >= 'a' && (c | 32) <= 'z') || c == '_' || c == ':' || c >= 0x80;
}
bool is_name_char(unsigned char c) { return is_name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool legal_code_point(uint32_t c) {
    return c == 9 || c == 10 || c == 13 || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Every character is legal XML in valid UTF-8; otherwise `*bad` is where it fails.
bool legal_text(const std::string& s, size_t* bad) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    uint32_t code = 0;
    for (size_t i = 0, length; i < s.size(); i += length) {
        *bad = i;
        length = decode_utf8(p + i, s.size() - i, &code);
        if (length == 0 || !legal_code_point(code)) return false;
    }
    return true;
}

// A name; a qualified one has at most one ":", with something on both sides.
bool read_name(Parser& x, std::string* name) {
    size_t from = x.p;
    if (x.p >= x.s.size() || !is_name_start(static_cast<unsigned char>(x.s[x.p]))) return fail(x, "a name expected");
    while (x.p < x.s.size() && is_name_char(static_cast<unsigned char>(x.s[x.p]))) ++x.p;
    *name = x.s.substr(from, x.p - from);
    size_t colon = name->find(':');
    if (colon != std::string::npos &&
        (colon == 0 || colon + 1 == name->size() || name->find(':', colon + 1) != std::string::npos))
        return fail(x, "a name with a misplaced \":\"");
    return true;
}

// "&lt;", "&gt;", "&amp;", "&quot;", "&apos;", "&#N;" or "&#xN;", appended to `into` as what it stands for.
bool read_reference(Parser& x, std::string* into) {
    static const char* const kEntities[][2] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}, {"&quot;", "\""}, {"&apos;", "'"}};
    for (const auto& entity : kEntities)
        if (starts(x, entity[0])) {
            x.p += strlen(entity[0]);
            into->append(entity[1]);
            return true;
        }
    if (!starts(x, "&#")) return fail(x, "an unknown entity");
    x.p += 2;
    bool hex = x.p < x.s.size() && x.s[x.p] == 'x';
    if (hex) ++x.p;
    uint32_t code = 0;
    size_t digits = 0;
    for (; x.p < x.s.size() && x.s[x.p] != ';'; ++x.p, ++digits) {
        char c = x.s[x.p];
        int value = c >= '0' && c <= '9'                        ? c - '0'
                    : hex && (c | 32) >= 'a' && (c | 32) <= 'f' ? (c | 32) - 'a' + 10
                                                                : -1;
        if (value < 0 || code > 0x10FFFF) return fail(x, "a bad character reference");
        code = code * (hex ? 16 : 10) + uint32_t(value);
    }
    if (x.p >= x.s.size() || digits == 0 || !legal_code_point(code)) return fail(x, "a bad character reference");
    ++x.p;
    append_utf8(into, code);
    return true;
}

bool read_attribute_value(Parser& x, std::string* value) {
    char quote = x.p < x.s.size() ? x.s[x.p] : '\0';
    if (quote != '"' && quote != '\'') return fail(x, "a quoted attribute value expected");
    for (++x.p; x.p < x.s.size() && x.s[x.p] != quote;) {
        char c = x.s[x.p];
        if (c == '<') return fail(x, "a \"<\" in an attribute value");
        if (c == '&') {
            if (!read_reference(x, value)) return false;
        } else {
            value->push_back(is_blank(c) ? ' ' : c);
            ++x.p;
        }
    }
    if (x.p >= x.s.size()) return fail(x, "an attribute value not closed");
    ++x.p;
    return true;
}

// A start tag or empty-element tag from its "<"; `*empty` tells which.
bool read_start_tag(Parser& x, ManifestElement* element, bool* empty) {
    element->begin = x.p++;
    if (!read_name(x, &element->qualified_name)) return false;
    size_t colon = element->qualified_name.find(':');
    element->name = colon == std::string::npos ? element->qualified_name : element->qualified_name.substr(colon + 1);
    for (;;) {
        bool blank = skip_blanks(x);
        if (starts(x, "/>") || starts(x, ">")) {
            *empty = x.s[x.p] == '/';
            x.p += *empty ? 2 : 1;
            return true;
        }
        if (x.p >= x.s.size()) return fail(x, "a tag not closed");
        if (!blank) return fail(x, "a blank expected before an attribute");
        std::pair<std::string, std::string> attribute;
        if (!read_name(x, &attribute.first)) return false;
        skip_blanks(x);
        if (!starts(x, "=")) return fail(x, "\"=\" expected after an attribute name");
        ++x.p;
        skip_blanks(x);
        if (!read_attribute_value(x, &attribute.second)) return false;
        for (const auto& earlier : element->attributes)
            if (earlier.first == attribute.first) return fail(x, "an attribute given twice");
        element->attributes.push_back(attribute);
    }
}

// Skips a comment "<!--...-->", which holds no "--".
bool skip_comment(Parser& x) {
    size_t dashes = x.s.find("--", x.p + 4);
    if (dashes == std::string::npos) return fail(x, "a comment not closed");
    if (x.s.compare(dashes, 3, "-->") != 0) return fail(x, "\"--\" inside a comment");
    x.p = dashes + 3;
    return true;
}

// Skips a processing instruction "<?target ...?>"; its target is not "xml".
bool skip_instruction(Parser& x) {
    x.p += 2;
    std::string target;
    if (!read_name(x, &target)) return false;
    if (target.size() == 3 && (target[0] | 32) == 'x' && (target[1] | 32) == 'm' && (target[2] | 32) == 'l')
        return fail(x, "an XML declaration that is not at the start");
    if (!starts(x, "?>") && !skip_blanks(x)) return fail(x, "a bad processing instruction");
    size_t close = x.s.find("?>", x.p);
    if (close == std::string::npos) return fail(x, "a processing instruction not closed");
    x.p = close + 2;
    return true;
}

// Comments, processing instructions and blanks, before or after the root.
bool skip_misc(Parser& x) {
    for (;;) {
        skip_blanks(x);
        if (starts(x, "<!--")) {
            if (!skip_comment(x)) return false;
        } else if (starts(x, "<?")) {
            if (!skip_instruction(x)) return false;
        } else {
            return true;
        }
    }
}

// The namespace `prefix` names at element `index`: its own declaration, else
// the nearest of its ancestors'; "" when none names it.
std::string namespace_of(const std::vector<ManifestElement>& elements, int index, const std::string& prefix) {
    std::string declaration = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
    for (int i = index; i >= 0; i = elements[size_t(i)].parent)
        for (const auto& a : elements[size_t(i)].attributes)
            if (a.first == declaration) return a.second;
    return "";
}

bool open_element(Parser& x, std::vector<size_t>* open) {
    ManifestElement element{};
    element.depth = int(open->size());
    element.parent = open->empty() ? -1 : int(open->back());
    bool empty = false;
    if (!read_start_tag(x, &element, &empty)) return false;
    element.end = x.p;
    element.content_begin = x.p;
    element.content_end = x.p;
    size_t colon = element.qualified_name.find(':');
    std::string prefix = colon == std::string::npos ? "" : element.qualified_name.substr(0, colon);
    x.out->push_back(element);
    x.out->back().namespace_uri = namespace_of(*x.out, int(x.out->size() - 1), prefix);
    if (!empty) open->push_back(x.out->size() - 1);
    return true;
}

bool close_element(Parser& x, std::vector<size_t>* open) {
    ManifestElement& element = (*x.out)[open->back()];
    element.content_end = x.p;
    x.p += 2;
    std::string name;
    if (!read_name(x, &name)) return false;
    skip_blanks(x);
    if (!starts(x, ">")) return fail(x, "an end tag not closed");
    if (name != element.qualified_name) return fail(x, "an end tag that does not match its start tag");
    element.end = ++x.p;
    open->pop_back();
    return true;
}

// One piece of an open element's content: a tag, comment, instruction, CDATA section, reference or character.
bool read_content(Parser& x, std::vector<size_t>* open) {
    std::string& text = (*x.out)[open->back()].text;
    if (starts(x, "</")) return close_element(x, open);
    if (starts(x, "<!--")) return skip_comment(x);
    if (starts(x, "<![CDATA[")) {
        size_t close = x.s.find("]]>", x.p + 9);
        if (close == std::string::npos) return fail(x, "a CDATA section not closed");
        text.append(x.s, x.p + 9, close - x.p - 9);
        x.p = close + 3;
        return true;
    }
    if (starts(x, "<?")) return skip_instruction(x);
    if (starts(x, "<!")) return fail(x, "a declaration inside the root element");
    if (starts(x, "<")) return open_element(x, open);
    if (starts(x, "&")) return read_reference(x, &text);
    if (starts(x, "]]>")) return fail(x, "\"]]>\" in character data");
    text.push_back(x.s[x.p++]);
    return true;
}

bool parse_document(Parser& x) {
    size_t bad = 0;
    if (!legal_text(x.s, &bad)) {
        x.p = bad;
        return fail(x, "a character that is not UTF-8 or not allowed in XML");
    }
    if (starts(x, "\xEF\xBB\xBF")) x.p = 3;
    if (starts(x, "<?xml") && x.p + 5 < x.s.size() && is_blank(x.s[x.p + 5])) {
        size_t close = x.s.find("?>", x.p);
        if (close == std::string::npos || x.s.substr(x.p, close - x.p).find("version") == std::string::npos)
            return fail(x, "a bad XML declaration");
        x.p = close + 2;
    }
    if (!skip_misc(x)) return false;
    if (starts(x, "<!DOCTYPE")) return fail(x, "a document type declaration, which a manifest may not have");
    if (!starts(x, "<")) return fail(x, "no root element");
    std::vector<size_t> open;
    if (!open_element(x, &open)) return false;
    while (!open.empty()) {
        if (x.p >= x.s.size()) return fail(x, "an element not closed");
        if (!read_content(x, &open)) return false;
    }
    if (!skip_misc(x)) return false;
    if (x.p < x.s.size()) return fail(x, "content after the root element");
    return true;
}

// One step of a setting's place below the root: an element's name and the
// namespaces Windows takes it in.
struct Step {
    const char* name;
    const char* namespaces[2];
};

const char kAsmV2[] = "urn:schemas-microsoft-com:asm.v2";
const char kAsmV3[] = "urn:schemas-microsoft-com:asm.v3";
const Step kTrustInfo[] = {{"trustInfo", {kAsmV2, kAsmV3}},
                           {"security", {kAsmV2, kAsmV3}},
                           {"requestedPrivileges", {kAsmV2, kAsmV3}},
                           {"requestedExecutionLevel", {kAsmV2, kAsmV3}}};
const Step kApplication = {"application", {kAsmV3, kAsmV3}};
const Step kWindowsSettings = {"windowsSettings", {kAsmV3, kAsmV3}};
const char kDpiAwareNamespace[] = "http://schemas.microsoft.com/SMI/2005/WindowsSettings";
const char kDpiAwarenessNamespace[] = "http://schemas.microsoft.com/SMI/2016/WindowsSettings";
const char kCodePageNamespace[] = "http://schemas.microsoft.com/SMI/2019/WindowsSettings";

bool is_step(const ManifestElement& e, const Step& step) {
    return e.name == step.name && (e.namespace_uri == step.namespaces[0] || e.namespace_uri == step.namespaces[1]);
}

// The first element at the place `steps` name below the root, each of its
// ancestors at its step; null when there is none.
const ManifestElement* find_at(const std::vector<ManifestElement>& elements, const Step* steps, int count) {
    for (const ManifestElement& e : elements) {
        if (e.depth != count) continue;
        const ManifestElement* at = &e;
        int k = count - 1;
        for (; k >= 0 && is_step(*at, steps[k]); --k) at = &elements[size_t(at->parent)];
        if (k < 0) return &e;
    }
    return nullptr;
}

// The application's windows setting `name` of namespace `uri`, where Windows reads it.
const ManifestElement* windows_setting(const std::vector<ManifestElement>& elements, const char* name,
                                       const char* uri) {
    const Step steps[] = {kApplication, kWindowsSettings, {name, {uri, uri}}};
    return find_at(elements, steps, 3);
}

std::string attribute_of(const ManifestElement* e, const char* name) {
    if (e != nullptr)
        for (const auto& a : e->attributes)
            if (a.first == name) return a.second;
    return "";
}

std::string trimmed(const std::string& text) {
    size_t from = 0, to = text.size();
    while (from < to && is_blank(text[from])) ++from;
    while (to > from && is_blank(text[to - 1])) --to;
    return text.substr(from, to - from);
}

// `text` with `inner` put at the end of `parent`'s content; an empty-element tag is opened for it.
std::string inserted_into(const std::string& text, const ManifestElement& parent, const std::string& inner) {
    if (parent.content_begin == parent.end) {
        size_t slash = text.rfind('/', parent.end - 1);
        return text.substr(0, slash) + ">" + inner + "</" + parent.qualified_name + ">" + text.substr(parent.end);
    }
    return text.substr(0, parent.content_end) + inner + text.substr(parent.content_end);
}

}  // namespace

bool parse_manifest(const std::string& text, std::vector<ManifestElement>* elements, std::string* error) {
    elements->clear();
    Parser x{text, 0, elements, ""};
    if (!parse_document(x)) {
        *error = x.error;
        return false;
    }
    if (elements->front().name != "assembly") {
        *error = "the root element is <" + elements->front().qualified_name + ">, not <assembly>";
        return false;
    }
    return true;
}

bool read_manifest_settings(const std::string& text, ManifestSettings* out) {
    std::vector<ManifestElement> elements;
    std::string error;
    if (!parse_manifest(text, &elements, &error)) return false;
    const ManifestElement* level = find_at(elements, kTrustInfo, 4);
    out->execution_level = attribute_of(level, "level");
    out->ui_access = attribute_of(level, "uiAccess");
    const ManifestElement* e = windows_setting(elements, "dpiAware", kDpiAwareNamespace);
    out->dpi_aware = e ? trimmed(e->text) : "";
    e = windows_setting(elements, "dpiAwareness", kDpiAwarenessNamespace);
    out->dpi_awareness = e ? trimmed(e->text) : "";
    e = windows_setting(elements, "activeCodePage", kCodePageNamespace);
    out->active_code_page = e ? trimmed(e->text) : "";
    return true;
}

bool with_utf8_code_page(const std::string& text, std::string* out) {
    std::vector<ManifestElement> elements;
    std::string error;
    if (!parse_manifest(text, &elements, &error)) return false;
    const Step place[] = {kApplication, kWindowsSettings};
    if (const ManifestElement* existing = windows_setting(elements, "activeCodePage", kCodePageNamespace)) {
        *out = text.substr(0, existing->begin) + kUtf8Element + text.substr(existing->end);
    } else if (const ManifestElement* settings = find_at(elements, place, 2)) {
        *out = inserted_into(text, *settings, kUtf8Element);
    } else if (const ManifestElement* application = find_at(elements, place, 1)) {
        *out =
            inserted_into(text, *application, std::string(kWindowsSettingsOpen) + kUtf8Element + "</windowsSettings>");
    } else {
        *out = inserted_into(
            text, elements.front(),
            std::string(kApplicationOpen) + "<windowsSettings>" + kUtf8Element + "</windowsSettings></application>");
    }
    return true;
}

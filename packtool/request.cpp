// vandrel-pack's options: one row each.
#include "request.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "pack_messages.h"

namespace {

struct Parsing {
    PackRequest* request;
    std::vector<const char*> files;
    bool configure, show;
    std::string message;
};

// An option's effect; `value` is null for an option without a value.
typedef EditResult (*OptionHandler)(Parsing* p, const char* value);

struct Option {
    const char* name;
    bool takes_value;
    OptionHandler handle;
};

// --startup-cache[=DIR]: value 13, by default the user's cache directory.
EditResult set_startup_cache(Parsing* p, const char* directory) {
    p->request->edits.startup_cache = true;
    if (directory == nullptr) return kEditOk;
    if (*directory == '\0') {  // the default is --startup-cache without "="
        char text[sizeof PACK_MSG_BAD_STARTUP_CACHE];
        snprintf(text, sizeof text, PACK_MSG_BAD_STARTUP_CACHE, directory);
        p->message = text;
        return kEditRefused;
    }
    return parse_set_argument(("startup_cache=" + std::string(directory)).c_str(), &p->request->edits, &p->message);
}

// The options that only record their value or their presence.
#define RECORD(field, value)        \
    [](Parsing* p, const char* v) { \
        (void)v;                    \
        p->field = value;           \
        return kEditOk;             \
    }

const Option kOptions[] = {
    {"--set", true, [](Parsing* p, const char* v) { return parse_set_argument(v, &p->request->edits, &p->message); }},
    {"--version-info", true,
     [](Parsing* p, const char* v) { return parse_version_argument(v, &p->request->edits, &p->message); }},
    {"--icon", true, RECORD(request->edits.icon_path, v)},
    {"--launcher", true, RECORD(request->launcher, v)},
    {"--class-data-archive", true, RECORD(request->edits.class_data_archive, v)},
    {"--class-data-auto", false, RECORD(request->edits.class_data_auto, true)},
    {"--manifest", true, RECORD(request->manifest.path, v)},
    {"--startup-cache", false, set_startup_cache},
    {"--utf8", false, RECORD(request->manifest.utf8, true)},
    {"--gui", false, RECORD(request->edits.subsystem, kGuiSubsystem)},
    {"--console", false, RECORD(request->edits.subsystem, kConsoleSubsystem)},
    {"--configure", false, RECORD(configure, true)},
    {"--show", false, RECORD(show, true)},
};

#undef RECORD

const Option* find_option(const char* name) {
    for (const Option& option : kOptions)
        if (strcmp(option.name, name) == 0) return &option;
    return nullptr;
}

bool asks_for_edit(const PackEdits& edits) {
    bool any = !edits.icon_path.empty() || !edits.version.empty() || edits.subsystem != kKeepSubsystem ||
               !edits.class_data_archive.empty() || edits.class_data_auto || edits.startup_cache;
    for (bool has : edits.has_value) any = any || has;
    return any;
}

// The command the options and file names make up; kCommandHelp when they
// make up none.
PackCommand command_of(const Parsing& p) {
    const PackRequest& r = *p.request;
    if (p.show) return !p.configure && !r.any_edit && !r.launcher && p.files.size() == 1 ? kCommandShow : kCommandHelp;
    if (p.files.size() != 2 || (p.configure && r.launcher)) return kCommandHelp;
    return p.configure ? kCommandConfigure : kCommandPack;
}

}  // namespace

PackStatus usage(PackStatus status) {
    fputs(PACK_MSG_USAGE, stdout);
    return status;
}

PackStatus parse_request(int argc, char** argv, PackRequest* out) {
    *out = PackRequest{};
    Parsing p{out, {}, false, false, {}};
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            out->command = kCommandHelp;
            return usage(kSuccess);
        }
        if (strcmp(a, "--version") == 0) {
            out->command = kCommandVersion;
            return kSuccess;
        }
        const char* joined = nullptr;  // the DIR of --startup-cache=DIR
        if (strncmp(a, "--startup-cache=", 16) == 0) {
            joined = a + 16;
            a = "--startup-cache";
        }
        const Option* option = find_option(a);
        if (option == nullptr && a[0] == '-' && a[1] == '-') {
            fprintf(stderr, PACK_MSG_UNKNOWN_OPTION, a);
            return usage(kUsage);
        }
        if (option == nullptr) {
            p.files.push_back(a);
            continue;
        }
        if (option->takes_value && i + 1 >= argc) {
            fprintf(stderr, PACK_MSG_NEEDS_VALUE, a);
            return usage(kUsage);
        }
        EditResult result = option->handle(&p, option->takes_value ? argv[++i] : joined);
        if (result != kEditOk) {
            fputs(p.message.c_str(), stderr);
            return result == kEditUsage ? usage(kUsage) : kValueRefused;
        }
    }
    out->any_edit = asks_for_edit(out->edits) || manifest_edits_any(out->manifest);
    out->command = command_of(p);
    if (out->command == kCommandHelp) return usage(kUsage);
    out->source = p.files[0];
    out->destination = p.files.size() > 1 ? p.files[1] : nullptr;
    if (out->command != kCommandShow && check_edits(out->edits, &p.message, out->manifest.utf8) != kEditOk) {
        fputs(p.message.c_str(), stderr);
        return kValueRefused;
    }
    return kSuccess;
}

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

EditResult set_value(Parsing* p, const char* value) {
    return parse_set_argument(value, &p->request->edits, &p->message);
}
EditResult set_version_info(Parsing* p, const char* value) {
    return parse_version_argument(value, &p->request->edits, &p->message);
}
EditResult set_icon(Parsing* p, const char* value) {
    p->request->edits.icon_path = value;
    return kEditOk;
}
EditResult set_launcher(Parsing* p, const char* value) {
    p->request->launcher = value;
    return kEditOk;
}
EditResult set_class_data_archive(Parsing* p, const char* value) {
    p->request->edits.class_data_archive = value;
    return kEditOk;
}
EditResult set_class_data_auto(Parsing* p, const char*) {
    p->request->edits.class_data_auto = true;
    return kEditOk;
}
EditResult set_manifest(Parsing* p, const char* value) {
    p->request->manifest.path = value;
    return kEditOk;
}
EditResult set_utf8(Parsing* p, const char*) {
    p->request->manifest.utf8 = true;
    return kEditOk;
}
EditResult set_gui(Parsing* p, const char*) {
    p->request->edits.subsystem = kGuiSubsystem;
    return kEditOk;
}
EditResult set_console(Parsing* p, const char*) {
    p->request->edits.subsystem = kConsoleSubsystem;
    return kEditOk;
}
EditResult set_configure(Parsing* p, const char*) {
    p->configure = true;
    return kEditOk;
}
EditResult set_show(Parsing* p, const char*) {
    p->show = true;
    return kEditOk;
}

const Option kOptions[] = {
    {"--set", true, set_value},
    {"--version-info", true, set_version_info},
    {"--icon", true, set_icon},
    {"--launcher", true, set_launcher},
    {"--class-data-archive", true, set_class_data_archive},
    {"--class-data-auto", false, set_class_data_auto},
    {"--manifest", true, set_manifest},
    {"--utf8", false, set_utf8},
    {"--gui", false, set_gui},
    {"--console", false, set_console},
    {"--configure", false, set_configure},
    {"--show", false, set_show},
};

const Option* find_option(const char* name) {
    for (const Option& option : kOptions)
        if (strcmp(option.name, name) == 0) return &option;
    return nullptr;
}

bool asks_for_edit(const PackEdits& edits) {
    bool any = !edits.icon_path.empty() || !edits.version.empty() || edits.subsystem != kKeepSubsystem ||
               !edits.class_data_archive.empty() || edits.class_data_auto;
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
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) return usage(kSuccess);
        if (strcmp(a, "--version") == 0) {
            out->command = kCommandVersion;
            return kSuccess;
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
        EditResult result = option->handle(&p, option->takes_value ? argv[++i] : nullptr);
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
    if (out->command != kCommandShow && check_edits(out->edits, &p.message) != kEditOk) {
        fputs(p.message.c_str(), stderr);
        return kValueRefused;
    }
    return kSuccess;
}

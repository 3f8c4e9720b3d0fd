#include "base/message_format.h"

#include "base/diagnostics.h"
#include "base/text_rules.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

void print_no_runtime_message(const char* text) {
    if (is_safe_message_format(text, 0))
        print_error(text);
    else
        print_error("%s", text);
}

void print_bad_version_message(const char* text, const char* version) {
    if (is_safe_message_format(text, 1))
        print_error(text, version);
    else
        print_error("%s%s", text, version);
}

#pragma GCC diagnostic pop

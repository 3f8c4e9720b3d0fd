// Reading a JAR's manifest.
#include "archive_check.h"

#include <vector>

#include "base/text_rules.h"

bool manifest_main_class(const std::string& manifest, std::string* out) {
    // Lines end in CR LF, LF or CR; a line that begins with a blank continues
    // the one before; the main section ends at the first empty line.
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < manifest.size()) {
        size_t end = manifest.find_first_of("\r\n", i);
        if (end == std::string::npos) end = manifest.size();
        std::string line = manifest.substr(i, end - i);
        i = end;
        if (i < manifest.size() && manifest[i] == '\r') ++i;
        if (end < manifest.size() && manifest[end] == '\r' && i < manifest.size() && manifest[i] == '\n')
            ++i;
        else if (end < manifest.size() && manifest[end] == '\n')
            i = end + 1;
        if (line.empty()) break;
        if (line[0] == ' ' && !lines.empty())
            lines.back() += line.substr(1);
        else
            lines.push_back(line);
    }
    for (const std::string& line : lines) {
        size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        if (colon != 10 || !equal_ignoring_case(line.c_str(), "main-class", 10)) continue;
        *out = line.substr(colon + 2, length_without_trailing_blanks(&line[colon + 2], line.size() - colon - 2));
        return line.size() > colon + 2;
    }
    return false;
}

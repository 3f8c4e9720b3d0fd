// Reading a JAR's manifest: the Main-Class attribute of its main section.
#include <gtest/gtest.h>

#include <string>

#include "archive_check.h"

namespace {

TEST(ArchiveCheck, ManifestMainClass) {
    struct Case {
        const char* manifest;
        const char* main_class;  // null: none
    };
    const Case cases[] = {
        {"Manifest-Version: 1.0\r\nMain-Class: a.B\r\n", "a.B"},
        {"Manifest-Version: 1.0\nmain-class: a.B\n", "a.B"},
        {"MAIN-CLASS: a.B\n", "a.B"},
        {"Main-Clasz: a.B\n", nullptr},
        {"Main-Class-Path: a.B\n", nullptr},
        {"Main-Class: a.B \t\r\n", "a.B"},  // trailing blanks go, as java -jar drops them
        {"Main-Class: com.example.very.long.packa\r\n ge.Main\r\n\r\n", "com.example.very.long.package.Main"},
        {"Manifest-Version: 1.0\r\n\r\nName: x\r\nMain-Class: a.B\r\n", nullptr},
        {"Manifest-Version: 1.0\r\nMain-Class:a.B\r\n", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manifest);
        std::string found;
        EXPECT_EQ(c.main_class != nullptr, manifest_main_class(c.manifest, &found));
        if (c.main_class) {
            EXPECT_EQ(c.main_class, found);
        }
    }
}

}  // namespace

// A class-data archive named by value 5 as docs/startup.md
// configures it, against the real Java VM: used when it was made for the
// program, and harmless when it was not (made for an earlier pack of the
// same file, by another runtime, empty, missing): the program starts and
// prints exactly its own output, with no word from the VM.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/outcome.h"
#include "support/process.h"

namespace {

// Writes the archive-configured launcher followed by the archive.
void pack(const std::string& jar, const std::string& program) {
    write_file(program, read_file(VANDREL_LAUNCHER_CLASS_DATA) + read_file(jar), 0755);
}

// Makes the archive for `program` as docs/startup.md says: one run of its main
// class by `java`, with the program itself as the class path.
bool make_archive(const std::string& program, const std::string& main_class) {
    std::remove(VANDREL_CLASS_DATA_ARCHIVE);
    ProcessResult r = run_program(VANDREL_JAVA, {"-XX:ArchiveClassesAtExit=" VANDREL_CLASS_DATA_ARCHIVE, "-Xmx256m", "-cp",
                                             program, main_class});
    return r.status == 0 && file_exists(VANDREL_CLASS_DATA_ARCHIVE);
}

}  // namespace

TEST(ClassDataArchive, ProgramStartsWhateverTheArchiveHolds) {
    ScratchDir dir;
    const std::string program = dir / "app";

    // The previous pack of the program and its archive, then the current.
    pack(VANDREL_SAMPLE_JAR, program);
    ASSERT_TRUE(make_archive(program, "sample.Main"));
    const std::string previous = read_file(VANDREL_CLASS_DATA_ARCHIVE);
    pack(std::string(VANDREL_JAR_DIR) + "/args.jar", program);
    ASSERT_TRUE(make_archive(program, "probe.Args"));
    const std::string current = read_file(VANDREL_CLASS_DATA_ARCHIVE);

    // The packed program loads its classes from the archive made for it.
    ProcessOptions traced;
    traced.program = program;
    traced.argv = {program, "x"};
    traced.env = {{"JAVA_TOOL_OPTIONS", "-Xlog:class+load=info"}};
    ProcessResult r = run_process(traced);
    EXPECT_NE(std::string::npos, r.out.find("probe.Args source: shared objects file (top)")) << r.out.substr(0, 4000);

    // The same archive as another build of the runtime would have written it.
    std::string foreign = current;
    size_t ident = foreign.find("Server VM (");
    ASSERT_NE(std::string::npos, ident);
    foreign[ident + 11] ^= 0x08;

    const std::string expected = "argc 1\narg[0] x\napplication.home " + dir.path() + "\njava.class.path " + program +
                                 "\nenv.class.path null\n";
    struct Case {
        const char* name;
        const std::string* bytes;  // null: no archive
    };
    const std::string empty;
    for (const Case& c : {Case{"made for this pack", &current}, Case{"made for the previous pack", &previous},
                          Case{"made by another runtime", &foreign}, Case{"empty", &empty}, Case{"missing", nullptr}}) {
        SCOPED_TRACE(c.name);
        std::remove(VANDREL_CLASS_DATA_ARCHIVE);
        if (c.bytes != nullptr) write_file(VANDREL_CLASS_DATA_ARCHIVE, *c.bytes);
        EXPECT_TRUE(outcome_is(run_program(program, {"x"}), 0, expected, ""));
    }
}

// The option list built by the launcher's steps, handed to the real Java VM
// (the only VM of this process): it decides the VM's system properties and
// its class path. The list's own rules are tested in tests/unit.
#include <gtest/gtest.h>
#include <jni.h>

#include <cstdlib>
#include <string>

#include "base/diagnostics.h"
#include "jni_support.h"
#include "vm/main_class.h"
#include "runtime/runtime.h"
#include "support/capture.h"
#include "support/files.h"
#include "vm/vm_options.h"

namespace {

TEST(OptionList, RealVmReceivesTheOptions) {
    const std::string probe_jar = jni_support::fixture("probe.jar");
    setenv("CLASSPATH", "/no/such/env.jar", 1);
    ASSERT_TRUE(add_standard_vm_options());
    char vm_arguments[] = "-Dvandrel.first=1\r\n-Dvandrel.second=two words\n-Xmx64m";
    add_vm_options_from_lines(vm_arguments);
    add_class_path_option(probe_jar.c_str());

    RuntimeEntryPoints entry_points = {nullptr, nullptr};
    ASSERT_TRUE(load_java_runtime(&entry_points));
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    debug_trace = true;
    StreamCapture out(1);
    bool created = create_java_vm(&vm, &env, &entry_points);
    std::string dump = out.finish();
    debug_trace = false;
    ASSERT_TRUE(created) << dump;
    ASSERT_NE(env, nullptr);
    EXPECT_EQ(vm_option_list.entries, nullptr);
    EXPECT_NE(dump.find("nOptions is 6\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("    option[ 5] = '-Djava.class.path=" + probe_jar + "'\n"), std::string::npos) << dump;

    EXPECT_EQ(jni_support::system_property(env, "env.class.path"), "/no/such/env.jar");
    EXPECT_EQ(jni_support::system_property(env, "application.home"), program_directory());
    EXPECT_EQ(jni_support::system_property(env, "vandrel.first"), "1");
    EXPECT_EQ(jni_support::system_property(env, "vandrel.second"), "two words");
    EXPECT_EQ(jni_support::system_property(env, "java.class.path"), probe_jar);
    // The class path is the given file and nothing else.
    jclass probe = find_class_dotted(env, "argsprobe.Record");
    EXPECT_NE(probe, nullptr);
    env->ExceptionClear();
    EXPECT_EQ(vm->DestroyJavaVM(), JNI_OK);
}

}  // namespace

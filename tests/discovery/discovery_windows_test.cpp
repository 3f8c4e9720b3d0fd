// Finding runtimes from Java 9 on: the JRE and JDK keys and JAVA_HOME, tried
// only when the runtime key of older runtimes does not exist. Runs under Wine
// against the real registry of the throwaway prefix; the configuration values
// are served by a replaced string-table reader so that one program can try
// every range.
#include <gtest/gtest.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "config.h"
#include "platform/platform.h"
#include "runtime.h"

namespace {

const char kJavaSoft[] = "Software\\JavaSoft";
const char kLegacyKey[] = "Software\\JavaSoft\\Java Runtime Environment";
const char kShippedNoRuntime[] = "Install Java.\nSee the vendor's page.\n#comment";
const char kShippedBadVersion[] = "Java %s will not do.\nAsk the author.\n#comment";

std::map<unsigned, std::string> g_values;

int fake_load_string(unsigned id, char* buffer, int capacity) {
    auto it = g_values.find(id);
    std::string text = it == g_values.end() ? "" : it->second;
    if (text.size() > size_t(capacity - 1)) text.resize(capacity - 1);
    memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

void set_key(const std::string& key, const char* name, const std::string& value) {
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                                             nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                            static_cast<DWORD>(value.size() + 1)));
    RegCloseKey(h);
}

std::string write_file(const std::string& path, const std::string& content) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(content.data(), 1, content.size(), f);
        fclose(f);
    }
    return path;
}

// A fresh directory under the temporary directory.
std::string make_temp_dir() {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static int counter = 0;
    std::string dir = std::string(base) + "vandrel-discovery-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(++counter);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

// A Java home at `home` whose library is a copy of the recording double at
// the relative place `library` (such as "bin\\server\\jvm.dll").
std::string make_home(const std::string& library, const char* java_version) {
    std::string home = make_temp_dir();
    std::string path = home;
    size_t start = 0;
    for (size_t sep; (sep = library.find('\\', start)) != std::string::npos; start = sep + 1) {
        path += "\\" + library.substr(start, sep - start);
        CreateDirectoryA(path.c_str(), nullptr);
    }
    std::string target = home + "\\" + library;
    EXPECT_TRUE(CopyFileA(VANDREL_RECORDING_JVM, target.c_str(), FALSE)) << target;
    if (java_version) write_file(home + "\\release", std::string("JAVA_VERSION=\"") + java_version + "\"\n");
    return home;
}

void set_java_home(const std::string& value) { _putenv(("JAVA_HOME=" + value).c_str()); }

// Runs find_runtime_in_registry with standard error captured.
struct Search {
    bool found;
    std::string path;
    std::string errors;
};

Search search() {
    char capture[MAX_PATH];
    GetTempPathA(sizeof capture, capture);
    strcat(capture, "vandrel-discovery-stderr.txt");
    fflush(stderr);
    int saved = _dup(2);
    int fd = _open(capture, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0600);
    _dup2(fd, 2);
    _close(fd);
    char path[kPathCapacity];
    memset(path, '@', sizeof path);
    path[sizeof path - 1] = '\0';
    Search result;
    result.found = find_runtime_in_registry(path, sizeof path);
    fflush(stderr);
    _dup2(saved, 2);
    _close(saved);
    result.path = result.found ? path : "";
    FILE* f = fopen(capture, "rb");
    char buffer[4096];
    size_t n = f ? fread(buffer, 1, sizeof buffer, f) : 0;
    if (f) fclose(f);
    result.errors.assign(buffer, n);
    return result;
}

class ModernDiscovery : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = platform.load_string;
        platform.load_string = fake_load_string;
        g_values = {{8, kShippedNoRuntime}, {9, kShippedBadVersion}};
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kJavaSoft);
        set_java_home("");
    }
    void TearDown() override {
        platform.load_string = saved_;
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kJavaSoft);
        set_java_home("");
    }
    int (*saved_)(unsigned, char*, int);
};

TEST_F(ModernDiscovery, JreKeyWithRuntimeLibIsLoaded) {
    std::string home = make_home("bin\\server\\jvm.dll", nullptr);
    set_key("Software\\JavaSoft\\JRE", "CurrentVersion", "17");
    set_key("Software\\JavaSoft\\JRE\\17", "RuntimeLib", home + "\\bin\\server\\jvm.dll");
    Search s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ(home + "\\bin\\server\\jvm.dll", s.path);
    EXPECT_EQ("", s.errors);

    RuntimeEntryPoints entry_points = {nullptr, nullptr};
    ASSERT_TRUE(load_java_runtime(&entry_points));
    EXPECT_NE(nullptr, entry_points.create_vm);
    EXPECT_NE(nullptr, GetModuleHandleA((home + "\\bin\\server\\jvm.dll").c_str()));
}

TEST_F(ModernDiscovery, JdkKeyIsSearchedAfterTheJreKey) {
    std::string home = make_home("bin\\client\\jvm.dll", nullptr);
    set_key("Software\\JavaSoft\\JDK", "CurrentVersion", "21");
    set_key("Software\\JavaSoft\\JDK\\21", "RuntimeLib", home + "\\bin\\client\\jvm.dll");
    Search s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ(home + "\\bin\\client\\jvm.dll", s.path);

    // A JRE key that names no usable runtime is passed over silently.
    set_key("Software\\JavaSoft\\JRE", "CurrentVersion", "11");
    s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ(home + "\\bin\\client\\jvm.dll", s.path);
    EXPECT_EQ("", s.errors);
}

TEST_F(ModernDiscovery, JdkKeyWithoutRuntimeLibUsesItsJavaHome) {
    std::string server_home = make_home("bin\\server\\jvm.dll", nullptr);
    set_key("Software\\JavaSoft\\JDK", "CurrentVersion", "17");
    set_key("Software\\JavaSoft\\JDK\\17", "JavaHome", server_home);
    Search s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ(server_home + "\\bin\\server\\jvm.dll", s.path);

    std::string client_home = make_home("bin\\client\\jvm.dll", nullptr);
    set_key("Software\\JavaSoft\\JDK\\17", "JavaHome", client_home + "\\");
    s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ(client_home + "\\bin\\client\\jvm.dll", s.path);

    // A home holding neither library yields nothing: the download message.
    set_key("Software\\JavaSoft\\JDK\\17", "JavaHome", make_temp_dir());
    s = search();
    EXPECT_FALSE(s.found);
    EXPECT_EQ("Install Java.\nSee the vendor's page.\n", s.errors);
}

TEST_F(ModernDiscovery, JavaHomeIsTheLastRoute) {
    std::string home = make_home("jre\\bin\\client\\jvm.dll", "17.0.2");
    set_java_home(home);
    Search s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ(home + "\\jre\\bin\\client\\jvm.dll", s.path);

    // bin\server comes first when both exist.
    std::string both = make_home("bin\\server\\jvm.dll", "17.0.2");
    CreateDirectoryA((both + "\\bin\\client").c_str(), nullptr);
    CopyFileA(VANDREL_RECORDING_JVM, (both + "\\bin\\client\\jvm.dll").c_str(), FALSE);
    set_java_home(both);
    s = search();
    EXPECT_EQ(both + "\\bin\\server\\jvm.dll", s.path);

    RuntimeEntryPoints entry_points = {nullptr, nullptr};
    ASSERT_TRUE(load_java_runtime(&entry_points));
    EXPECT_NE(nullptr, GetModuleHandleA((both + "\\bin\\server\\jvm.dll").c_str()));
}

TEST_F(ModernDiscovery, NothingFoundPrintsOnlyTheDownloadMessage) {
    set_java_home(make_temp_dir());  // a home without a library
    Search s = search();
    EXPECT_FALSE(s.found);
    EXPECT_EQ("Install Java.\nSee the vendor's page.\n", s.errors);
}

TEST_F(ModernDiscovery, VersionRangeAppliesToTheJreKey) {
    std::string home = make_home("bin\\server\\jvm.dll", nullptr);
    set_key("Software\\JavaSoft\\JRE", "CurrentVersion", "17");
    set_key("Software\\JavaSoft\\JRE\\17", "RuntimeLib", home + "\\bin\\server\\jvm.dll");

    g_values[3] = "1.8#";
    Search s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ("", s.errors);

    g_values.erase(3);
    g_values[4] = "1.8";
    s = search();
    EXPECT_FALSE(s.found);
    EXPECT_EQ("Java 17 will not do.\nAsk the author.\n", s.errors);
}

TEST_F(ModernDiscovery, VersionRangeAppliesToJavaHomeThroughItsReleaseFile) {
    std::string home = make_home("bin\\server\\jvm.dll", "17.0.2");
    set_java_home(home);
    g_values[3] = "1.8";
    Search s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ("", s.errors);

    g_values.erase(3);
    g_values[4] = "1.8";
    s = search();
    EXPECT_FALSE(s.found);
    EXPECT_EQ("Java 17 will not do.\nAsk the author.\n", s.errors);

    // Without a release file the version is unknown: not taken when a range is set.
    std::string unknown = make_home("bin\\server\\jvm.dll", nullptr);
    set_java_home(unknown);
    s = search();
    EXPECT_FALSE(s.found);
    EXPECT_EQ("Install Java.\nSee the vendor's page.\n", s.errors);
}

TEST_F(ModernDiscovery, BrokenLegacyKeyGivesWayToJavaHome) {
    std::string home = make_home("bin\\server\\jvm.dll", "17.0.2");
    set_java_home(home);
    set_key(kLegacyKey, "Unrelated", "x");  // key present, CurrentVersion absent
    Search s = search();
    EXPECT_TRUE(s.found);
    EXPECT_EQ(home + "\\bin\\server\\jvm.dll", s.path);
    EXPECT_EQ("", s.errors);

    // With nothing else found, the legacy key's own messages.
    set_java_home("");
    s = search();
    EXPECT_FALSE(s.found);
    EXPECT_EQ(
        "Could not find the Java Runtime Environment.\n"
        "No recognized versions in: 'Software\\JavaSoft\\Java Runtime Environment\\'\n",
        s.errors);

    set_key(kLegacyKey, "CurrentVersion", "1.8");
    set_key(std::string(kLegacyKey) + "\\1.8", "JavaHome", "C:\\nowhere");  // no RuntimeLib
    s = search();
    EXPECT_FALSE(s.found);
    EXPECT_EQ("Failed reading value of registry key: RuntimeLib", s.errors);
}

}  // namespace

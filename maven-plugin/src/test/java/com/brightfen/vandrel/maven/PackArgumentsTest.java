package com.brightfen.vandrel.maven;

import static org.junit.Assert.assertEquals;

import java.io.File;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.Map;
import java.util.function.Consumer;
import org.junit.Test;

public class PackArgumentsTest {
    private static final String TAIL = "app.jar app.exe";

    /** Each row: what is set, then the command line expected before the JAR and the program. */
    private static void row(String name, Consumer<PackArguments> setup, String expected) {
        PackArguments a = new PackArguments();
        a.launcher = new File("w32.exe");
        a.jar = new File("app.jar");
        a.outfile = new File("app.exe");
        setup.accept(a);
        assertEquals(name, "--launcher w32.exe " + expected + (expected.isEmpty() ? "" : " ") + TAIL,
                String.join(" ", a.build()));
    }

    private static Map<String, String> map(String... keysAndValues) {
        Map<String, String> m = new LinkedHashMap<>();
        for (int i = 0; i < keysAndValues.length; i += 2) m.put(keysAndValues[i], keysAndValues[i + 1]);
        return m;
    }

    @Test
    public void parametersBecomeOptions() {
        row("nothing set", a -> {}, "");
        row("settings in label order, an empty element clears", a -> a.settings = map(
                "vm_arguments", "-Xmx1g\\n-Da=b", "min_version", "11", "max_version", null),
                "--set max_version= --set min_version=11 --set vm_arguments=-Xmx1g\\n-Da=b");
        row("version information by key", a -> a.versionInfo = map("ProductName", "Star Pilot", "FileVersion", "1.4"),
                PackArguments.VERSION_INFO_OPTION + " FileVersion=1.4 " + PackArguments.VERSION_INFO_OPTION
                        + " ProductName=Star Pilot");
        row("gui", a -> a.gui = true, "--gui");
        row("gui false is a console program", a -> a.gui = false, "--console");
        row("icon, utf8 and manifest", a -> {
            a.icon = new File("i.ico");
            a.utf8 = true;
            a.manifest = new File("m.xml");
        }, "--icon i.ico --utf8 --manifest m.xml");
        row("startup cache true: a folder by artifactId, the same for every version", a -> {
            a.startupCache = "true";
            a.artifactId = "star-pilot";
        }, "--startup-cache=%LOCALAPPDATA%\\star-pilot");
        row("startup cache false: none", a -> a.startupCache = "false", "");
        row("startup cache blank: none", a -> a.startupCache = " ", "");
        row("startup cache directory", a -> a.startupCache = "%LOCALAPPDATA%\\Hoop",
                "--startup-cache=%LOCALAPPDATA%\\Hoop");
        row("one line stays as written", a -> a.settings = map("vm_arguments", "  -Xmx1g  "),
                "--set vm_arguments=  -Xmx1g  ");
        row("indented lines, one a line", a -> a.versionInfo = map("Comments", "\n      Star Pilot\n      by us\n    "),
                PackArguments.VERSION_INFO_OPTION + " Comments=Star Pilot\\nby us");
        row("blank lines and CR LF", a -> a.settings = map("vm_arguments", "-Xmx1g\r\n\r\n  \r\n-Da=b\r\n"),
                "--set vm_arguments=-Xmx1g\\n-Da=b");
        row("lines of a value with escapes keep their backslashes", a -> a.settings = map("vm_arguments",
                "\n  -Djava.library.path=C:\\natives\\x64\n  -Xmx1g\n"),
                "--set vm_arguments=-Djava.library.path=C:\\\\natives\\\\x64\\n-Xmx1g");
    }

    @Test
    public void carriedToolByHost() {
        String[][] rows = {
            {"Linux", "amd64", "linux-x86_64/vandrel-pack"},
            {"Linux", "x86_64", "linux-x86_64/vandrel-pack"},
            {"Windows 10", "amd64", "windows/vandrel-pack.exe"},
            {"Windows 11", "aarch64", "windows/vandrel-pack.exe"},
            {"Linux", "aarch64", null},
            {"Mac OS X", "x86_64", null},
        };
        for (String[] r : rows) assertEquals(Arrays.toString(r), r[2], CarriedTools.packFor(r[0], r[1]));
    }
}

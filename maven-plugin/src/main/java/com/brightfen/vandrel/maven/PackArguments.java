package com.brightfen.vandrel.maven;

import java.io.File;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.TreeMap;

/** The pack goal's parameters as vandrel-pack's command line. */
final class PackArguments {
    static final String VERSION_INFO_OPTION = "--version-info";
    /** The settings in which vandrel-pack reads a backslash and "n" as a line feed, two backslashes as one. */
    static final Set<String> ESCAPED_SETTINGS = new HashSet<>(Arrays.asList("vm_arguments", "leading_arguments",
            "trailing_arguments", "no_runtime_message", "bad_version_message"));

    File launcher;
    Map<String, String> settings;
    File icon;
    Map<String, String> versionInfo;
    /** True: GUI subsystem; false: console; null: as the launcher has it. */
    Boolean gui;
    boolean utf8;
    File manifest;
    /**
     * Blank or "false": none; "true": the default directory, named after the artifactId so that
     * every version of the program shares one cache folder; anything else: that directory.
     */
    String startupCache;
    String artifactId;
    File jar;
    File outfile;

    /** The arguments after the tool's own name, in a fixed order: maps by key. */
    List<String> build() {
        List<String> args = new ArrayList<>();
        add(args, "--launcher", launcher);
        for (Map.Entry<String, String> e : sorted(settings).entrySet()) {
            args.add("--set");
            args.add(e.getKey() + "=" + text(e.getValue(), ESCAPED_SETTINGS.contains(e.getKey())));
        }
        add(args, "--icon", icon);
        for (Map.Entry<String, String> e : sorted(versionInfo).entrySet()) {
            args.add(VERSION_INFO_OPTION);
            args.add(e.getKey() + "=" + text(e.getValue(), false));
        }
        if (gui != null) args.add(gui ? "--gui" : "--console");
        if (utf8) args.add("--utf8");
        add(args, "--manifest", manifest);
        String cache = startupCache == null ? "" : startupCache.trim();
        if (cache.equals("true")) {
            args.add("--startup-cache=%LOCALAPPDATA%\\" + artifactId.replace('%', '_'));
        } else if (!cache.isEmpty() && !cache.equals("false")) {
            args.add("--startup-cache=" + cache);
        }
        args.add(jar.getPath());
        args.add(outfile.getPath());
        return args;
    }

    private static void add(List<String> args, String option, File file) {
        if (file != null) {
            args.add(option);
            args.add(file.getPath());
        }
    }

    /**
     * A value as vandrel-pack takes it. An empty element in the POM arrives as null: the value
     * is then cleared. A value written over several lines is taken a line at a time, without
     * the indentation around each and without blank lines: one VM option or argument per line,
     * joined by vandrel-pack's escape for a line feed (no line feed on a command line). Each
     * such line is taken as written: where vandrel-pack reads escapes ({@code escaped}), its
     * backslashes are escaped, so that {@code C:\natives} stays a path.
     */
    private static String text(String value, boolean escaped) {
        if (value == null) return "";
        if (value.indexOf('\n') < 0 && value.indexOf('\r') < 0) return value;
        List<String> lines = new ArrayList<>();
        for (String line : value.split("\r?\n|\r")) {
            String item = line.trim();
            if (!item.isEmpty()) lines.add(escaped ? item.replace("\\", "\\\\") : item);
        }
        return String.join("\\n", lines);
    }

    private static Map<String, String> sorted(Map<String, String> map) {
        return map == null ? new TreeMap<>() : new TreeMap<>(map);
    }
}

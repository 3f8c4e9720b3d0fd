package com.brightfen.vandrel.maven;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.StandardCopyOption;
import java.util.Arrays;
import org.apache.maven.plugin.MojoExecutionException;

/**
 * The programs this plugin carries (under vandrel/ in its JAR): the win32 and win64
 * launchers and vandrel-pack for Linux x86_64 and Windows. They are copied out into
 * a directory of the build before they are run.
 */
final class CarriedTools {
    static final String LAUNCHER_NAMES = "win32, win64";

    private final File directory;

    CarriedTools(File directory) {
        this.directory = directory;
    }

    /** The carried vandrel-pack for this host, as a path in the JAR; null when none is carried. */
    static String packFor(String osName, String osArch) {
        if (osName.startsWith("Windows")) return "windows/vandrel-pack.exe";
        if (osName.equals("Linux") && (osArch.equals("amd64") || osArch.equals("x86_64"))) {
            return "linux-x86_64/vandrel-pack";
        }
        return null;
    }

    /** The launcher named "win32" or "win64"; null for any other name. */
    File launcher(String name) throws MojoExecutionException {
        if (!Arrays.asList(LAUNCHER_NAMES.split(", ")).contains(name)) return null;
        return extract(name + "/vandrel.exe", false);
    }

    /** The carried vandrel-pack for this host; null when none is carried. */
    File pack() throws MojoExecutionException {
        String path = packFor(System.getProperty("os.name"), System.getProperty("os.arch"));
        return path == null ? null : extract(path, true);
    }

    /** A vandrel-pack found on PATH; null when there is none. */
    static File packOnPath() {
        String path = System.getenv("PATH");
        if (path == null) return null;
        for (String dir : path.split(File.pathSeparator)) {
            File candidate = new File(dir, "vandrel-pack");
            if (!dir.isEmpty() && new File(dir).isAbsolute() && candidate.isFile() && candidate.canExecute()) {
                return candidate;
            }
        }
        return null;
    }

    private File extract(String path, boolean executable) throws MojoExecutionException {
        File target = new File(directory, path);
        try (InputStream in = CarriedTools.class.getResourceAsStream("/vandrel/" + path)) {
            if (in == null) throw new MojoExecutionException("This plugin's JAR lacks vandrel/" + path);
            Files.createDirectories(target.getParentFile().toPath());
            Files.copy(in, target.toPath(), StandardCopyOption.REPLACE_EXISTING);
        } catch (IOException e) {
            throw new MojoExecutionException("Cannot copy vandrel/" + path + " to " + target + ": " + e.getMessage(), e);
        }
        if (executable && !target.setExecutable(true)) {
            throw new MojoExecutionException("Cannot make " + target + " executable");
        }
        return target;
    }
}

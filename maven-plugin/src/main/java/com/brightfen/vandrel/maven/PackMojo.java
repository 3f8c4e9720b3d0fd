package com.brightfen.vandrel.maven;

import java.io.BufferedReader;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.nio.charset.Charset;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.function.Consumer;
import org.apache.maven.plugin.AbstractMojo;
import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugins.annotations.Component;
import org.apache.maven.plugins.annotations.LifecyclePhase;
import org.apache.maven.plugins.annotations.Mojo;
import org.apache.maven.plugins.annotations.Parameter;
import org.apache.maven.project.MavenProject;
import org.apache.maven.project.MavenProjectHelper;

/** Packs the project's JAR into a Windows program with vandrel-pack and a vandrel launcher. */
@Mojo(name = "pack", defaultPhase = LifecyclePhase.PACKAGE, threadSafe = true)
public class PackMojo extends AbstractMojo {
    /** "win64" (x64 Java runtimes, every version), "win32" (32-bit runtimes, Java 8 to 23), or a launcher file. */
    @Parameter(property = "vandrel.launcher", defaultValue = "win64")
    private String launcher;

    /** The JAR to pack; the project's main artifact when not set. */
    @Parameter(property = "vandrel.jar")
    private File jar;

    /** The program to write. */
    @Parameter(property = "vandrel.outfile", defaultValue = "${project.build.directory}/${project.build.finalName}.exe")
    private File outfile;

    /** Configuration values by vandrel-pack's --set labels, such as vm_arguments or min_version. */
    @Parameter
    private Map<String, String> settings;

    /** An .ico file whose images become the program's icon. */
    @Parameter(property = "vandrel.icon")
    private File icon;

    /** Version information by key: FileVersion, ProductVersion, ProductName, FileDescription, ... */
    @Parameter
    private Map<String, String> versionInfo;

    /** True: a GUI program (no console window); false: a console program; not set: as the launcher is. */
    @Parameter(property = "vandrel.gui")
    private Boolean gui;

    /** Makes UTF-8 the program's code page. */
    @Parameter(property = "vandrel.utf8", defaultValue = "false")
    private boolean utf8;

    /** An application manifest to use instead of the launcher's. */
    @Parameter(property = "vandrel.manifest")
    private File manifest;

    /** "true": a start-up cache in %LOCALAPPDATA%\&lt;artifactId&gt;; a directory: the cache there. */
    @Parameter(property = "vandrel.startupCache")
    private String startupCache;

    /** Skips packing. */
    @Parameter(property = "vandrel.skip", defaultValue = "false")
    private boolean skip;

    /** Attaches the program to the project as an artifact of type exe, for install and deploy. */
    @Parameter(property = "vandrel.attach", defaultValue = "true")
    private boolean attach;

    /** A vandrel-pack to run instead of the one this plugin carries. */
    @Parameter(property = "vandrel.pack")
    private File vandrelPack;

    @Parameter(defaultValue = "${project}", readonly = true, required = true)
    private MavenProject project;

    @Component
    private MavenProjectHelper projectHelper;

    @Override
    public void execute() throws MojoExecutionException, MojoFailureException {
        if (skip) {
            getLog().info("Skipping vandrel pack");
            return;
        }
        CarriedTools carried = new CarriedTools(new File(project.getBuild().getDirectory(), "vandrel"));
        List<String> command = new ArrayList<>();
        command.add(packTool(carried).getPath());
        command.addAll(arguments(carried).build());
        getLog().debug("Running " + command);
        File parent = outfile.getAbsoluteFile().getParentFile();
        if (parent != null && !parent.isDirectory() && !parent.mkdirs()) {
            throw new MojoExecutionException("Cannot create the directory " + parent);
        }
        run(command);
        if (attach) projectHelper.attachArtifact(project, "exe", outfile);
    }

    private PackArguments arguments(CarriedTools carried) throws MojoExecutionException, MojoFailureException {
        PackArguments a = new PackArguments();
        a.launcher = carried.launcher(launcher);
        if (a.launcher == null) {
            a.launcher = resolve(new File(launcher));
            if (!a.launcher.isFile()) {
                throw new MojoFailureException("launcher is " + CarriedTools.LAUNCHER_NAMES
                        + " or a launcher file; there is no file " + a.launcher);
            }
        }
        a.settings = settings;
        a.icon = icon;
        a.versionInfo = versionInfo;
        a.gui = gui;
        a.utf8 = utf8;
        a.manifest = manifest;
        a.startupCache = startupCache;
        a.artifactId = project.getArtifactId();
        a.jar = jar != null ? jar : project.getArtifact().getFile();
        if (a.jar == null || !a.jar.isFile()) {
            throw new MojoFailureException("There is no JAR to pack: set jar, or run the pack goal in the package"
                    + " phase or later, after the project's JAR is made");
        }
        a.outfile = outfile;
        return a;
    }

    private File packTool(CarriedTools carried) throws MojoExecutionException, MojoFailureException {
        if (vandrelPack != null) return vandrelPack;
        File tool = carried.pack();
        if (tool == null) tool = CarriedTools.packOnPath();
        if (tool == null) {
            throw new MojoFailureException("This plugin carries vandrel-pack for Linux x86_64 and Windows only, not for "
                    + System.getProperty("os.name") + " " + System.getProperty("os.arch")
                    + ". Set the plugin's vandrelPack parameter (or -Dvandrel.pack=FILE) to a vandrel-pack built from"
                    + " the vandrel sources, or put one on PATH. It needs CMake, a C++17 compiler and zlib:"
                    + " cmake -S vandrel -B build -DBUILD_TESTING=OFF && cmake --build build --target vandrel-pack");
        }
        return tool;
    }

    private File resolve(File file) {
        return file.isAbsolute() ? file : new File(project.getBasedir(), file.getPath());
    }

    /** Runs the tool: its standard output to the log as it comes, its standard error as warnings or the failure. */
    private void run(List<String> command) throws MojoExecutionException, MojoFailureException {
        Process process;
        try {
            process = new ProcessBuilder(command).redirectInput(ProcessBuilder.Redirect.INHERIT).start();
        } catch (IOException e) {
            throw new MojoExecutionException("Cannot run " + command.get(0) + ": " + e.getMessage(), e);
        }
        List<String> errors = new ArrayList<>();
        Thread errorReader = new Thread(() -> readLines(process.getErrorStream(), errors::add));
        errorReader.start();
        readLines(process.getInputStream(), getLog()::info);
        int status;
        try {
            errorReader.join();
            status = process.waitFor();
        } catch (InterruptedException e) {
            process.destroy();
            Thread.currentThread().interrupt();
            throw new MojoExecutionException("Interrupted while vandrel-pack ran", e);
        }
        if (status != 0) {
            throw new MojoFailureException("vandrel-pack failed (status " + status + "): " + String.join("\n", errors));
        }
        for (String line : errors) getLog().warn(line);
    }

    private static void readLines(InputStream stream, Consumer<String> sink) {
        try (BufferedReader reader = new BufferedReader(new InputStreamReader(stream, Charset.defaultCharset()))) {
            for (String line = reader.readLine(); line != null; line = reader.readLine()) sink.accept(line);
        } catch (IOException e) {
            sink.accept("(reading vandrel-pack's output failed: " + e.getMessage() + ")");
        }
    }
}

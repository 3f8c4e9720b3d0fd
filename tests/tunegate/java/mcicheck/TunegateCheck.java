package mcicheck;

import com.brightfen.mci.Mci;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.stream.Stream;

/**
 * Drives the tunegate library through a real Java VM with the commands the
 * application's sound classes send. Prints every failed check and exits
 * non-zero if there was one.
 *
 * With "--emit-errors command..." it only sends the given commands and prints
 * nothing itself, so that a parent can read the library's own output.
 */
public final class TunegateCheck {
    static final String INVALID_DEVICE_NAME = "The specified device is not open or is not recognized by MCI.";
    static final String DUPLICATE_ALIAS =
        "The specified alias is already being used in this application. Use a unique alias.";
    static final String UNRECOGNIZED_COMMAND = "The driver cannot recognize the specified command.";
    static final String MISSING_PARAMETER = "The specified command requires a parameter. Please supply one.";
    static final String CANNOT_USE_ALL = "Cannot use 'all' as the device name with the specified command.";
    // What Wine's multimedia library answers: for an open of a file it cannot
    // play (a missing one too), and for a command naming no open device but
    // "close".
    static final String CANNOT_PLAY = "A problem occurred in initializing MCI. Try restarting Windows.";
    static final String NO_DEVICE = "Cannot determine the device type from the given filename extension.";

    private static int checks = 0;
    private static int failures = 0;
    private static int aliasCounter = 0;

    private static synchronized void check(boolean ok, String what) {
        ++checks;
        if (!ok) {
            ++failures;
            System.out.println();
            System.out.println("FAILED: " + what);
        }
    }

    private static String show(String s) {
        return s == null ? "null" : "\"" + s + "\"";
    }

    private static void accepted(String command) {
        String reply = Mci.sendCommand(command);
        check(reply == null, "'" + command + "' returned " + show(reply) + ", expected null");
    }

    private static void rejected(String command, String text) {
        String reply = Mci.sendCommand(command);
        check(text.equals(reply), "'" + command + "' returned " + show(reply) + ", expected " + show(text));
    }

    /** An alias as the sound classes make them: a counter, "_", the time. */
    private static String newAlias() {
        return (++aliasCounter) + "_" + System.currentTimeMillis();
    }

    private static File musicFile(Path dir, String name) throws IOException {
        Path file = dir.resolve(name);
        Files.write(file, new byte[] {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0});
        return file.toFile();
    }

    private static String open(File file, String alias) {
        return "open " + Mci.convertToShortFilename(file.getAbsolutePath()) + " type MPEGVideo Alias " + alias;
    }

    static void commandTable(Path dir) throws IOException {
        File track = musicFile(dir, "track.mp3");
        String shortPath = Mci.convertToShortFilename(track.getAbsolutePath());
        check(track.getAbsolutePath().equals(shortPath),
              "short form of an existing path " + show(shortPath) + ", expected the path itself");

        String alias = newAlias();
        accepted("open " + shortPath + " type MPEGVideo Alias " + alias);
        accepted("play " + alias);
        accepted("play " + alias + " from 0");
        accepted("play " + alias + " repeat");
        accepted("play " + alias + " repeat from 0");
        accepted("pause " + alias);
        accepted("resume " + alias);
        // The reply of a query never reaches the caller.
        accepted("status " + alias + " mode");
        accepted("setaudio " + alias + " volume to 500");
        accepted("stop " + alias);
        accepted("close " + alias);
        rejected("close " + alias, INVALID_DEVICE_NAME);
        rejected("play " + alias, NO_DEVICE);
    }

    static void failures(Path dir) throws IOException {
        File track = musicFile(dir, "failures.mp3");
        rejected("play never_opened", NO_DEVICE);
        rejected("open " + dir.resolve("missing.mp3") + " type MPEGVideo Alias " + newAlias(), CANNOT_PLAY);

        String alias = newAlias();
        accepted(open(track, alias));
        rejected(open(track, alias), DUPLICATE_ALIAS);
        rejected(open(track, alias.toUpperCase()), DUPLICATE_ALIAS);
        rejected("rewind " + alias, UNRECOGNIZED_COMMAND);
        rejected("status " + alias, MISSING_PARAMETER);
        rejected("setaudio " + alias + " volume to", MISSING_PARAMETER);
        rejected("play all", CANNOT_USE_ALL);
        accepted("close " + alias);
    }

    static void keywordsIgnoreCase(Path dir) throws IOException {
        File track = musicFile(dir, "case.mp3");
        accepted("OPEN " + track.getAbsolutePath() + " TYPE MPEGVIDEO ALIAS Tune");
        accepted("Play TUNE Repeat FROM 0");
        accepted("close tune");
    }

    static void all(Path dir) throws IOException {
        rejected("stop all", CANNOT_USE_ALL);
        accepted("close all");
        File track = musicFile(dir, "all.mp3");
        String a = newAlias();
        String b = newAlias();
        accepted(open(track, a));
        accepted(open(track, b));
        accepted("play " + a);
        rejected("stop all", CANNOT_USE_ALL);
        accepted("close all");
        rejected("close " + a, INVALID_DEVICE_NAME);
        rejected("close " + b, INVALID_DEVICE_NAME);
    }

    static void bytesPassUntranslated(Path dir) throws IOException {
        String encoding = System.getProperty("sun.jnu.encoding");
        check("UTF-8".equals(encoding),
              "file names are encoded as " + encoding + ", run with a UTF-8 locale (LC_ALL=C.UTF-8)");
        // Modified UTF-8 of characters of the Basic Multilingual Plane is their
        // UTF-8, so the platform sees the file's own name.
        File melody = musicFile(dir, "m\u00e9lodie\u266a.mp3");
        check(melody.getAbsolutePath().equals(Mci.convertToShortFilename(melody.getAbsolutePath())),
              "short form of a non-ASCII path is not the path itself");
        accepted("open " + melody.getAbsolutePath() + " type MPEGVideo Alias \u00e9t\u00e9");
        rejected("close ete", INVALID_DEVICE_NAME);
        accepted("close \u00e9t\u00e9");
        // A supplementary character goes as its two surrogates, not as the
        // four bytes of UTF-8 the file system holds: no such file.
        File note = musicFile(dir, "note\ud83c\udfb5.mp3");
        rejected("open " + note.getAbsolutePath() + " alias n", CANNOT_PLAY);
        String missing = dir.resolve("missing\ud83c\udfb5\u00e9.mp3").toString();
        check(missing.equals(Mci.convertToShortFilename(missing)), "non-ASCII missing path did not come back");
    }

    static void shortPaths(Path dir) throws IOException {
        String missing = dir.resolve("missing.mp3").toString();
        String result = Mci.convertToShortFilename(missing);
        check(missing.equals(result), "short form of a missing path " + show(result) + ", expected the path");

        // Existing paths of 254 and 255 characters: the short form of the
        // first fits into the 255 bytes offered, the second does not and comes
        // back as the very string given.
        Path nest = dir.resolve("n".repeat(100)).resolve("e".repeat(100));
        Files.createDirectories(nest);
        int rest = 254 - nest.toString().length() - 1;
        check(rest > 4, "temporary directory too long for the path length check");
        String fits = musicFile(nest, "f".repeat(rest)).getAbsolutePath();
        String tooLong = musicFile(nest, "g".repeat(rest + 1)).getAbsolutePath();
        check(fits.length() == 254 && tooLong.length() == 255, "path lengths " + fits.length() + ", "
              + tooLong.length());
        String fitsResult = Mci.convertToShortFilename(fits);
        check(fits.equals(fitsResult), "254-character path " + show(fitsResult));
        check(fitsResult != fits, "254-character path came back as the string given, not as its short form");
        String tooLongResult = Mci.convertToShortFilename(tooLong);
        check(tooLongResult == tooLong, "255-character path: " + show(tooLongResult)
              + " instead of the string given");
        String longer = musicFile(nest, "h".repeat(200)).getAbsolutePath();
        check(Mci.convertToShortFilename(longer) == longer, "path over 255 characters not given back");
    }

    static void nullArguments() {
        check(Mci.sendCommand(null) == null, "sendCommand(null) is not null");
        check(Mci.convertToShortFilename(null) == null, "convertToShortFilename(null) is not null");
    }

    static void concurrentCallers(Path dir) throws Exception {
        File track = musicFile(dir, "threads.mp3");
        AtomicInteger wrong = new AtomicInteger();
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < 4; ++t) {
            final String prefix = "t" + t + "_";
            Thread thread = new Thread(() -> {
                for (int i = 0; i < 200; ++i) {
                    String alias = prefix + i;
                    String path = Mci.convertToShortFilename(track.getAbsolutePath());
                    if (Mci.sendCommand("open " + path + " type MPEGVideo Alias " + alias) != null
                        || Mci.sendCommand("play " + alias + " repeat") != null
                        || Mci.sendCommand("close " + alias) != null) {
                        wrong.incrementAndGet();
                    }
                }
            });
            threads.add(thread);
            thread.start();
        }
        for (Thread thread : threads) {
            thread.join();
        }
        check(wrong.get() == 0, wrong.get() + " command sequences failed on concurrent threads");
        for (int t = 0; t < 4; ++t) {
            rejected("close t" + t + "_199", INVALID_DEVICE_NAME);
        }
    }

    /** The library's error line, read from the standard output of a child VM. */
    static void errorLine(Path dir) throws Exception {
        List<String> command = new ArrayList<>();
        command.add(Path.of(System.getProperty("java.home"), "bin", "java").toString());
        command.add("-Djava.library.path=" + System.getProperty("java.library.path"));
        command.add("-cp");
        command.add(System.getProperty("java.class.path"));
        command.add(TunegateCheck.class.getName());
        command.add("--emit-errors");
        command.add("close all");
        command.add("play never_opened");
        command.add("open " + dir.resolve("missing.mp3") + " type MPEGVideo Alias x");
        command.add("stop all");
        command.add("status x");
        Process child = new ProcessBuilder(command).redirectError(ProcessBuilder.Redirect.INHERIT).start();
        child.getOutputStream().close();
        String out = readAll(child.getInputStream());
        int status = child.waitFor();
        check(status == 0, "child VM exited with " + status);
        String expected = "Mci error: 281Mci error: 277Mci error: 279Mci error: 281";
        check(expected.equals(out), "standard output of the library " + show(out) + ", expected " + show(expected));
    }

    private static String readAll(InputStream in) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        in.transferTo(bytes);
        return bytes.toString(StandardCharsets.ISO_8859_1);
    }

    private static void deleteTree(Path dir) throws IOException {
        try (Stream<Path> paths = Files.walk(dir)) {
            paths.sorted(Comparator.reverseOrder()).forEach(p -> p.toFile().delete());
        }
    }

    public static void main(String[] args) throws Exception {
        if (args.length > 0 && args[0].equals("--emit-errors")) {
            for (int i = 1; i < args.length; ++i) {
                Mci.sendCommand(args[i]);
            }
            return;
        }
        Path dir = Files.createTempDirectory("tunegate-java");
        try {
            commandTable(dir);
            failures(dir);
            keywordsIgnoreCase(dir);
            all(dir);
            bytesPassUntranslated(dir);
            shortPaths(dir);
            nullArguments();
            concurrentCallers(dir);
            errorLine(dir);
        } finally {
            deleteTree(dir);
        }
        System.out.println();
        System.out.println(checks + " checks, " + failures + " failed");
        System.exit(failures == 0 ? 0 : 1);
    }
}

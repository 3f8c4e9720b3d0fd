package com.brightfen.mci;

/**
 * The Java side of the tunegate library, as the application's sound classes
 * use it: two private natives behind two public wrappers that return their
 * results unchanged.
 */
public class Mci {
    static {
        System.loadLibrary("tunegate");
    }

    private static native String sendMciCommand(String command);

    private static native String convertToShort(String path);

    /** Null when MCI accepts the command, else MCI's text for the error. */
    public static String sendCommand(String command) {
        return sendMciCommand(command);
    }

    /** The short (8.3) form of a path. */
    public static String convertToShortFilename(String path) {
        return convertToShort(path);
    }
}

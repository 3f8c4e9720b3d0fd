package plainapp;

/** A class without any main: its archive has no main class at all. */
public class Plain {
    public static String name() {
        return "plain";
    }
}

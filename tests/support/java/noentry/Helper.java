package noentry;

/** A class without any main method. */
public final class Helper {
    public static int twice(int x) {
        return 2 * x;
    }
}

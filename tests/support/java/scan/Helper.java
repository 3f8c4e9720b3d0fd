package scan;

/** A top-level class without main. */
public class Helper {
    public static int twice(int x) {
        return 2 * x;
    }
}

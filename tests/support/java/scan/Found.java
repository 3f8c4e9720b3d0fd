package scan;

/** Found by the archive scan: the archive has no manifest, and this is its one top-level class with main. */
public final class Found {
    public static void main(String[] args) {
        System.out.println("found by scan with " + args.length + " argument(s)");
    }

    /** Nested: never a candidate of the archive scan, although it has main. */
    public static class Inner {
        public static void main(String[] args) {
            System.out.println("nested class must not be chosen");
        }
    }
}

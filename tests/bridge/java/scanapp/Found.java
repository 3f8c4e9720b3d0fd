package scanapp;

/** The one top-level class of its archive with a static main(String[]). */
public class Found {
    public static void main(String[] args) {
        System.out.println("scanapp.Found ran with " + args.length + " arguments");
    }

    /** Nested: never a candidate of the archive scan, although it has main. */
    public static class Inner {
        public static void main(String[] args) {
            System.out.println("nested class must not be chosen");
        }
    }
}

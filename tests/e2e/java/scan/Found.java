package scan;

/** Found by the archive scan: the archive has no manifest. */
public final class Found {
    public static void main(String[] args) {
        System.out.println("found by scan with " + args.length + " argument(s)");
    }
}

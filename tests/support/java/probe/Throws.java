package probe;

/** Its main method ends with an exception. */
public final class Throws {
    public static void main(String[] args) {
        System.out.println("about to throw");
        throw new IllegalStateException("probe failure " + args.length);
    }
}

package bridgeapp;

/** Prints one line, then ends main with an exception. */
public class Throws {
    public static void main(String[] args) {
        System.out.println("about to fail");
        throw new IllegalStateException("bridge failure " + args.length);
    }
}

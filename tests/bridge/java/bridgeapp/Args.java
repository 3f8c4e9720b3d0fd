package bridgeapp;

/** Prints its argument count, then each argument in brackets. */
public class Args {
    public static void main(String[] args) {
        System.out.println("argc=" + args.length);
        for (String a : args) System.out.println("[" + a + "]");
    }
}

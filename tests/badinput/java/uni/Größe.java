package uni;

/** A main class whose name is not ASCII. */
public final class Größe {
    public static void main(String[] args) {
        System.out.println("Größe ran with " + args.length + " arguments");
    }
}

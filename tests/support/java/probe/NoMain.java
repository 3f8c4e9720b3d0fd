package probe;

/** Named as the main class by its manifest, but has no main(String[]). */
public final class NoMain {
    public static void main() {
        System.out.println("wrong signature");
    }

    public void main(String[] args) {
        System.out.println("instance method");
    }
}

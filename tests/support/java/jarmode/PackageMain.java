package jarmode;

/** A static main(String[]) that is not public. */
public class PackageMain {
    static void main(String[] args) {
        System.out.println("package-private static main");
    }
}

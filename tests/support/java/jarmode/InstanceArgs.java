package jarmode;

/** An instance main(String[]), preferred to the static main() beside it. */
public class InstanceArgs {
    InstanceArgs() {
        System.out.println("constructed");
    }

    void main(String[] args) {
        System.out.println("instance main(String[]) with " + String.join(",", args));
    }

    static void main() {
        System.out.println("static main()");
    }
}

package jarmode;

/** An instance main, and only a private constructor to make an instance with. */
public class PrivateConstructor {
    private PrivateConstructor() {}

    void main() {
        System.out.println("instance main() through a private constructor");
    }
}

package jarmode;

/** Only an instance main without arguments. */
public class InstanceNoArgs {
    void main() {
        System.out.println("instance main() of " + getClass().getName());
    }
}

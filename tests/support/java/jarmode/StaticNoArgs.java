package jarmode;

/** Only a static main without arguments. */
public class StaticNoArgs {
    static void main() {
        System.out.println("static main()");
    }
}

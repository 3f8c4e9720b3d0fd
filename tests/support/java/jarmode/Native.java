package jarmode;

/** Loads the JNI library its first argument names. */
public class Native {
    public static void main(String[] args) {
        System.load(args[0]);
        System.out.println("loaded");
    }
}

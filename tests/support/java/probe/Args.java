package probe;

/** Prints its arguments, one per line, and the properties the launcher sets. */
public final class Args {
    public static void main(String[] args) {
        System.out.println("argc " + args.length);
        for (int i = 0; i < args.length; i++) {
            System.out.println("arg[" + i + "] " + args[i]);
        }
        System.out.println("application.home " + System.getProperty("application.home"));
        System.out.println("java.class.path " + System.getProperty("java.class.path"));
        System.out.println("env.class.path " + System.getProperty("env.class.path"));
    }
}

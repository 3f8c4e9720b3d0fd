package jarmode;

/** Needs Add-Exports: java.base/jdk.internal.misc. */
public class Exports {
    public static void main(String[] args) throws Exception {
        Object booted;
        try {
            booted = Class.forName("jdk.internal.misc.VM").getMethod("isBooted").invoke(null);
        } catch (IllegalAccessException e) {
            booted = "refused";
        }
        System.out.println("booted " + booted);
        System.out.println("command " + System.getProperty("sun.java.command"));
    }
}

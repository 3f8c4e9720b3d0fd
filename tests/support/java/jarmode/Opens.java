package jarmode;

import java.lang.reflect.Field;

/** Needs Add-Opens: java.base/java.lang, already while the class is initialised. */
public class Opens {
    static final String OPENED = open();

    static String open() {
        try {
            Field value = String.class.getDeclaredField("value");
            value.setAccessible(true);
            return "opened";
        } catch (Exception e) {
            return e.getClass().getName();
        }
    }

    public static void main(String[] args) {
        System.out.println(OPENED);
        System.out.println("command " + System.getProperty("sun.java.command"));
    }
}

package jarmode;

import java.lang.instrument.Instrumentation;

/** Its own Launcher-Agent-Class: agentmain runs before main. */
public class Agent {
    public static void agentmain(String options, Instrumentation instrumentation) {
        System.out.println("agentmain with " + options);
    }

    public static void main(String[] args) {
        System.out.println("main with " + args.length + " argument(s)");
    }
}

package settings;

import java.io.File;

/**
 * Prints what a launcher's settings give a program: its directory as value 5
 * names it, texts that stay as written, the working directory and the heap.
 * With the arguments "wait", STARTED and RELEASE it creates STARTED and runs
 * until RELEASE exists (at most 60 seconds). With "exit" and N it ends through System.exit(N).
 */
public final class Probe {
    public static void main(String[] args) throws Exception {
        System.out.println("app.dir " + System.getProperty("app.dir"));
        System.out.println("kept " + System.getProperty("kept"));
        System.out.println("marked " + System.getProperty("marked"));
        System.out.println("user.dir " + System.getProperty("user.dir"));
        System.out.println("heap " + Runtime.getRuntime().maxMemory() / (1024 * 1024));
        if (args.length == 2 && args[0].equals("exit")) System.exit(Integer.parseInt(args[1]));
        if (args.length == 3 && args[0].equals("wait")) {
            new File(args[1]).createNewFile();
            for (int i = 0; i < 600 && !new File(args[2]).exists(); i++) Thread.sleep(100);
        }
    }
}

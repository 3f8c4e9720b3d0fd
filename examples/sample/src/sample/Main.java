package sample;

/**
 * The sample application of the launcher: shows what the packed program was
 * given (its arguments and the properties the launcher sets), and keeps the
 * process alive after main has returned with a short non-daemon thread.
 */
public final class Main {
    private static final String[] PROPERTIES = {"application.home", "env.class.path", "java.class.path"};

    private Main() {}

    public static void main(String[] args) {
        System.out.println("sample: " + args.length + " argument(s)");
        for (int i = 0; i < args.length; i++) {
            System.out.println("  arg[" + i + "] = " + args[i]);
        }
        for (String key : PROPERTIES) {
            System.out.println("  " + key + " = " + System.getProperty(key));
        }

        // Prints about 200 ms later, and in any case only once main has
        // ended: the process lives on until this thread is done.
        final Thread mainThread = Thread.currentThread();
        Thread worker = new Thread(() -> {
            try {
                Thread.sleep(200);
                mainThread.join();
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
            System.out.println("sample: worker thread done after main returned");
        }, "sample-worker");
        worker.setDaemon(false);
        worker.start();
        System.out.println("sample: main returns");
    }
}

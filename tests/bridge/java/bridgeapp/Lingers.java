package bridgeapp;

/** Starts a thread that finishes only after main has returned: its line
    appears only if the VM waits for it before the process ends. */
public class Lingers {
    public static void main(String[] args) {
        final Thread mainThread = Thread.currentThread();
        Thread worker = new Thread(() -> {
            try {
                mainThread.join();
            } catch (InterruptedException e) {
                return;
            }
            System.out.println("worker finished after main");
        });
        worker.start();
        System.out.println("main returning");
    }
}

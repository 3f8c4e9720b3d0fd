package probe;

/**
 * Returns from main while a non-daemon thread of its own still runs: the
 * worker waits for the main thread to end before it prints, so its line can
 * only appear when the process outlives main.
 */
public final class Lingers {
    public static void main(String[] args) {
        final Thread mainThread = Thread.currentThread();
        Thread worker = new Thread(() -> {
            try {
                mainThread.join();
            } catch (InterruptedException e) {
                return;
            }
            System.out.println("worker done");
        });
        worker.setDaemon(false);
        worker.start();
        System.out.println("main returns");
    }
}

package wyntest.session;

/** Returns from main while a non-daemon thread still has work to finish. */
public final class Lingering {
    public static void main(String[] args) {
        Thread worker = new Thread(() -> {
            try {
                Thread.sleep(1500);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
            System.out.println("worker finished");
            System.out.flush();
        });
        worker.setDaemon(false);
        worker.start();
        System.out.println("main returned");
        System.out.flush();
    }
}

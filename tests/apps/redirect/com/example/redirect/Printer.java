package com.example.redirect;

import java.io.PrintStream;

/**
 * Test and benchmark application for output redirection. Each argument pair is one step:
 *
 * <ul>
 *   <li>{@code lines N}: N lines, alternately "out i" on System.out and "err i" on System.err;
 *   <li>{@code bytes N}: N bytes of a known pattern on System.out, in writes of 8 KiB;
 *   <li>{@code timed N}: the same, then "write-ns T" on System.err: the nanoseconds it took;
 *   <li>{@code single N}: N bytes of the pattern on System.out, one write(int) each;
 *   <li>{@code exit-thread N}: a thread prints N lines "thread i" and calls System.exit(7)
 *       while main waits.
 * </ul>
 */
public final class Printer {
    private Printer() {}

    /** The byte at position i of the pattern: printable, with a line feed every 64 bytes. */
    static byte patternByte(long i) {
        return (byte) (i % 64 == 63 ? '\n' : 'a' + (i % 26));
    }

    public static void main(String[] args) throws Exception {
        for (int i = 0; i + 1 < args.length; i += 2) {
            long n = Long.parseLong(args[i + 1]);
            switch (args[i]) {
                case "lines":
                    for (long k = 1; k <= n; k++) {
                        System.out.println("out " + k);
                        System.err.println("err " + k);
                    }
                    break;
                case "bytes":
                    writeBytes(System.out, n);
                    break;
                case "timed":
                    long start = System.nanoTime();
                    writeBytes(System.out, n);
                    System.err.println("write-ns " + (System.nanoTime() - start));
                    break;
                case "single":
                    for (long k = 0; k < n; k++) {
                        System.out.write(patternByte(k));
                    }
                    System.out.flush();
                    break;
                case "exit-thread":
                    exitFromThread(n);
                    break;
                default:
                    throw new IllegalArgumentException(args[i]);
            }
        }
    }

    /** The pattern repeats every 832 bytes (64 and 26): eleven periods cover any 8 KiB. */
    private static final byte[] CYCLE = new byte[832 * 11];

    static {
        for (int k = 0; k < CYCLE.length; k++) {
            CYCLE[k] = patternByte(k);
        }
    }

    private static void writeBytes(PrintStream out, long n) {
        byte[] block = new byte[8192];
        long written = 0;
        while (written < n) {
            int size = (int) Math.min(block.length, n - written);
            System.arraycopy(CYCLE, (int) (written % 832), block, 0, size);
            out.write(block, 0, size);
            written += size;
        }
        out.flush();
    }

    private static void exitFromThread(long n) throws InterruptedException {
        Thread thread = new Thread(() -> {
            for (long k = 1; k <= n; k++) {
                System.out.println("thread " + k);
            }
            System.exit(7);
        });
        thread.start();
        Thread.sleep(60000);
    }
}

package com.example.messages;

import com.tarnwick.wyn.Instances;
import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.ObjectOutputStream;
import java.io.Serializable;
import java.nio.file.Files;
import java.util.zip.CRC32;

/**
 * Sends and receives objects between instances as the test asks. Commands come as files
 * DIR/NAME.cmd.N (N = 1, 2, ...), each holding one line:
 *   receiver [MS]       -> setReceiver with a receiver that prints each object, then sleeps
 *                          MS milliseconds in onReceive (default 0)
 *   blockonce MS        -> setReceiver with a receiver that prints each object and sleeps MS
 *                          milliseconds in its first onReceive, then prints
 *                          "unblockedAt=<System.nanoTime()>"
 *   replier             -> setReceiver with a receiver that prints each object, sends
 *                          "reply-<object>" back to its sender and flushes inside onReceive,
 *                          printing "replyflush=<milliseconds>"
 *   burst PID COUNT     -> sendObject(PID, "burst-I:" + 80 x) for I = 0 .. COUNT-1
 *   clear               -> setReceiver(null)
 *   send PID SIZE       -> sendObject(PID, byte[SIZE] with a known pattern), after printing
 *                          "serial.N=" with the size of its serial form and "sentAt.N=" with
 *                          System.nanoTime() (received byte arrays print "gotAt=" likewise)
 *   sendnote PID TEXT   -> sendObject(PID, a Note, a class only the application knows)
 *   sendnull PID        -> sendObject(PID, null)
 *   sendfirst TEXT      -> sendObject(TEXT), the one-argument form (to the first instance)
 *   sendbad PID         -> sendObject(PID, an object that cannot be serialised)
 *   flush               -> flush(), then prints "flushed.N=<milliseconds>"
 *   stop                -> ends the application
 * After each command "done.N=yes" is printed. Received objects print as
 * "got from=PID kind=bytes size=SIZE crc=CRC", "kind=note text=TEXT" or "kind=string".
 */
public final class MessagesApp {
    /** A class that only the application's class loader knows. */
    public static final class Note implements Serializable {
        private static final long serialVersionUID = 1L;
        final String text;

        Note(String text) {
            this.text = text;
        }
    }

    /** Holds a thread, which cannot be serialised. */
    static final class Unsendable implements Serializable {
        private static final long serialVersionUID = 1L;
        final Object thread = new Thread();
    }

    static byte[] pattern(int size) {
        byte[] bytes = new byte[size];
        for (int i = 0; i < size; i++) {
            bytes[i] = (byte) (i * 31 + 7);
        }
        return bytes;
    }

    static long crc(byte[] bytes) {
        CRC32 crc = new CRC32();
        crc.update(bytes);
        return crc.getValue();
    }

    static int serialSize(Serializable object) {
        try {
            ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            ObjectOutputStream out = new ObjectOutputStream(bytes);
            out.writeObject(object);
            out.close();
            return bytes.size();
        } catch (IOException e) {
            return -1;
        }
    }

    static synchronized void print(String line) {
        System.out.println(line);
        System.out.flush();
    }

    public static void main(String[] args) throws Exception {
        String dir = args[0];
        String name = args[1];
        print("pid=" + Instances.getCurrentInstance());
        for (int n = 1;; n++) {
            File command = new File(dir, name + ".cmd." + n);
            while (!command.exists()) {
                Thread.sleep(10);
            }
            String line = new String(Files.readAllBytes(command.toPath()), "UTF-8").trim();
            String[] words = line.split(" ", 3);
            if (words[0].equals("stop")) {
                print("done." + n + "=yes");
                return;
            }
            run(words, n);
            print("done." + n + "=yes");
        }
    }

    static void report(int sender, Serializable object) {
        if (object instanceof byte[]) {
            byte[] bytes = (byte[]) object;
            long at = System.nanoTime();
            print("got from=" + sender + " kind=bytes size=" + bytes.length
                    + " crc=" + crc(bytes));
            print("gotAt=" + at);
        } else if (object instanceof Note) {
            print("got from=" + sender + " kind=note text="
                    + ((Note) object).text);
        } else {
            print("got from=" + sender + " kind=" + object.getClass().getName()
                    + " value=" + object + " at=" + System.nanoTime());
        }
    }

    private static void run(String[] words, int n) {
        switch (words[0]) {
            case "receiver":
                final long delayMs = words.length > 1 ? Long.parseLong(words[1]) : 0;
                Instances.setReceiver(new Instances.ReceiverInterface() {
                    @Override
                    public void onReceive(int sender, Serializable object) {
                        report(sender, object);
                        if (delayMs > 0) {
                            try {
                                Thread.sleep(delayMs);
                            } catch (InterruptedException e) {
                                Thread.currentThread().interrupt();
                            }
                        }
                    }
                });
                break;
            case "blockonce":
                final long blockMs = Long.parseLong(words[1]);
                Instances.setReceiver(new Instances.ReceiverInterface() {
                    private boolean blocked;

                    @Override
                    public void onReceive(int sender, Serializable object) {
                        report(sender, object);
                        if (!blocked) {
                            blocked = true;
                            try {
                                Thread.sleep(blockMs);
                            } catch (InterruptedException e) {
                                Thread.currentThread().interrupt();
                            }
                            print("unblockedAt=" + System.nanoTime());
                        }
                    }
                });
                break;
            case "replier":
                Instances.setReceiver(new Instances.ReceiverInterface() {
                    @Override
                    public void onReceive(int sender, Serializable object) {
                        report(sender, object);
                        Instances.sendObject(sender, "reply-" + object);
                        long start = System.nanoTime();
                        Instances.flush();
                        print("replyflush=" + (System.nanoTime() - start) / 1000000);
                    }
                });
                break;
            case "burst":
                print("sentAt." + n + "=" + System.nanoTime());
                StringBuilder padding = new StringBuilder();
                for (int i = 0; i < 80; i++) {
                    padding.append('x');
                }
                int count = Integer.parseInt(words[2]);
                for (int i = 0; i < count; i++) {
                    Instances.sendObject(Integer.parseInt(words[1]), "burst-" + i + ":" + padding);
                }
                break;
            case "clear":
                Instances.setReceiver(null);
                break;
            case "send":
                byte[] bytes = pattern(Integer.parseInt(words[2]));
                print("serial." + n + "=" + serialSize(bytes));
                print("sentAt." + n + "=" + System.nanoTime());
                Instances.sendObject(Integer.parseInt(words[1]), bytes);
                break;
            case "sendnote":
                Instances.sendObject(Integer.parseInt(words[1]), new Note(words[2]));
                break;
            case "sendnull":
                Instances.sendObject(Integer.parseInt(words[1]), null);
                break;
            case "sendfirst":
                Instances.sendObject(words[1]);
                break;
            case "sendbad":
                Instances.sendObject(Integer.parseInt(words[1]), new Unsendable());
                break;
            case "flush":
                long start = System.nanoTime();
                Instances.flush();
                print("flushed." + n + "=" + (System.nanoTime() - start) / 1000000);
                break;
            default:
                print("unknown." + n + "=" + words[0]);
        }
    }
}

package com.tarnwick.wyn;

import java.io.Serializable;

/**
 * The running instances of this application, as the launcher's instance registry knows them.
 *
 * <p>Every instance started by the launcher joins the registry. With the configuration line
 * {@code singleinstance custom} the application decides itself what a second start does: it
 * can ask which instance came first ({@link #getFirstInstance()}), which one it is
 * ({@link #getCurrentInstance()}), and send any serialisable object to another instance, whose
 * {@link ReceiverInterface} gets it. Instances are named by their process ids.
 */
public final class Instances {
    static {
        LauncherLibrary.load();
    }

    /** Receives the objects that other instances send to this one. */
    public interface ReceiverInterface {
        /** Called on the launcher's watcher thread with the sender's process id and the object. */
        void onReceive(int senderPid, Serializable object);
    }

    private Instances() {}

    /** The process id of the first running instance in custom mode, else -1. */
    public static native int getFirstInstance();

    /** This instance's process id in custom mode, else -1. */
    public static native int getCurrentInstance();

    /** The first instance followed by the other running ones, in every mode. */
    public static native int[] getInstances();

    /**
     * Queues object for the instance with process id targetPid (0: the first instance) and
     * returns at once. Delivery is not confirmed; without custom mode nothing is sent.
     */
    public static native void sendObject(int targetPid, Serializable object);

    /** Sends object to the first instance. */
    public static void sendObject(Serializable object) {
        sendObject(getFirstInstance(), object);
    }

    /** Waits up to 5 seconds until everything queued has been handed to the mailbox. */
    public static native void flush();

    /** Makes receiver the one that gets the objects sent to this instance; null stops it. */
    public static native void setReceiver(ReceiverInterface receiver);
}

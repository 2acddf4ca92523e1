package com.tarnwick.wyn;

import java.lang.reflect.Method;
import java.util.Timer;
import java.util.TimerTask;

/**
 * One interface to the application's splash screen, whichever kind the launcher showed: the
 * Java runtime's own splash (reported by {@code java.awt.SplashScreen}) or the launcher's
 * native splash window (reached through the natives below).
 *
 * <p>{@code java.awt.SplashScreen} is reached by reflection through the system class loader, so
 * that this class also loads on a headless runtime or one without the desktop module. When the
 * natives are not bound (no launcher, or a launcher without them), the class reports no native
 * splash instead of failing.
 */
public final class SplashScreen {
    private static volatile SplashScreen self;
    private static Timer autoCloseTimer;
    private static TimerTask autoCloseTask;

    /** The java.awt.SplashScreen when the runtime's splash is in use, else null. */
    private Object awtSplash;

    static {
        self = null;
        autoCloseTimer = null;
        autoCloseTask = null;
        LauncherLibrary.load();
    }

    private SplashScreen() {}

    /**
     * The splash screen: the runtime's splash when it is showing, else the launcher's native
     * splash window while it exists, else null. A null result is not remembered, so a later call
     * looks again.
     */
    public static SplashScreen getSplashScreen() {
        SplashScreen current = self;
        if (current != null) {
            return current;
        }
        Object awt = runtimeSplash();
        if (awt != null) {
            current = new SplashScreen();
            current.awtSplash = awt;
        } else {
            current = nativeSplash();
        }
        self = current;
        return current;
    }

    /**
     * Closes the splash after ms milliseconds, replacing an earlier request; 0 closes it at
     * once, a negative value cancels a pending close and leaves the splash up.
     */
    public synchronized void autoClose(int ms) {
        if (awtSplash == null) {
            try {
                nativeAutoClose(ms);
            } catch (UnsatisfiedLinkError e) {
                // No native splash without the natives.
            }
            return;
        }
        if (ms > 0) {
            if (autoCloseTask != null) {
                autoCloseTask.cancel();
            }
            if (autoCloseTimer == null) {
                autoCloseTimer = new Timer(true);
            }
            autoCloseTask = new TimerTask() {
                @Override
                public void run() {
                    close();
                }
            };
            autoCloseTimer.schedule(autoCloseTask, ms);
        } else if (ms == 0) {
            close();
        } else if (autoCloseTimer != null) {
            autoCloseTimer.cancel();
            autoCloseTimer = null;
        }
    }

    /** Closes the splash now. */
    public synchronized void close() {
        if (awtSplash == null) {
            try {
                nativeClose();
            } catch (UnsatisfiedLinkError e) {
                // No native splash without the natives.
            }
            return;
        }
        if (autoCloseTimer != null) {
            autoCloseTimer.cancel();
            autoCloseTimer = null;
        }
        try {
            Method close = awtSplash.getClass().getMethod("close");
            close.invoke(awtSplash);
        } catch (Exception | LinkageError e) {
            // Already closed, or the runtime refuses: nothing is left to close.
        }
    }

    /** java.awt.SplashScreen.getSplashScreen(), or null when there is none or it fails. */
    private static Object runtimeSplash() {
        try {
            Class<?> splashClass = Class.forName("java.awt.SplashScreen", true,
                    ClassLoader.getSystemClassLoader());
            Method get = splashClass.getMethod("getSplashScreen");
            return get.invoke(null);
        } catch (Exception | LinkageError e) {
            // No desktop module, a headless runtime, or no splash: not the runtime's splash.
            return null;
        }
    }

    private static SplashScreen nativeSplash() {
        try {
            return nativeGetSplashScreen();
        } catch (UnsatisfiedLinkError e) {
            return null;
        }
    }

    private static native SplashScreen nativeGetSplashScreen();

    private native void nativeAutoClose(int ms);

    private native void nativeClose();
}

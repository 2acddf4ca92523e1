package splashprobe;

import com.tarnwick.wyn.SplashScreen;

/** What the splash tests ask of the support classes inside a real virtual machine. */
public final class SplashProbe {
    private SplashProbe() {}

    /** "null" or "splash": what com.tarnwick.wyn.SplashScreen.getSplashScreen() gives. */
    public static String wynSplash() {
        return SplashScreen.getSplashScreen() == null ? "null" : "splash";
    }

    /** True when two calls give the very same object (the result is kept). */
    public static boolean wynSplashIsKept() {
        SplashScreen first = SplashScreen.getSplashScreen();
        return first != null && first == SplashScreen.getSplashScreen();
    }

    public static void autoClose(int ms) {
        SplashScreen.getSplashScreen().autoClose(ms);
    }

    public static void close() {
        SplashScreen.getSplashScreen().close();
    }

    /**
     * The runtime's own splash as java.awt.SplashScreen reports it: "none", "headless", or
     * "WIDTHxHEIGHT visible" / "... hidden".
     */
    public static String awtSplash() {
        java.awt.SplashScreen splash;
        try {
            splash = java.awt.SplashScreen.getSplashScreen();
        } catch (java.awt.HeadlessException e) {
            return "headless";
        }
        if (splash == null) {
            return "none";
        }
        try {
            java.awt.Dimension size = splash.getSize();
            return size.width + "x" + size.height + (splash.isVisible() ? " visible" : " hidden");
        } catch (IllegalStateException e) {
            return "none";
        }
    }

    /**
     * Hands the listener a WINDOW_OPENED (200) event of a window that is never shown: showing
     * a real window would close the runtime's splash by itself.
     */
    public static void dispatchOpenedEvent() {
        java.awt.Frame frame = new java.awt.Frame();
        new com.tarnwick.wyn.SplashCloseOnWindow()
                .eventDispatched(new java.awt.event.WindowEvent(frame, 200));
        frame.dispose();
    }

    /** Only a WINDOW_CLOSING (201) event, which must leave the splash alone. */
    public static void dispatchClosingEvent() {
        java.awt.Frame frame = new java.awt.Frame();
        new com.tarnwick.wyn.SplashCloseOnWindow()
                .eventDispatched(new java.awt.event.WindowEvent(frame, 201));
        frame.dispose();
    }
}

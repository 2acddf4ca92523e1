package com.tarnwick.wyn;

import java.io.File;

/**
 * The launcher's natives for the support classes. On Windows the launcher executable exports
 * them and is loaded as a library. A Linux launcher (a position-independent executable) cannot
 * be loaded that way; it offers itself as the built-in library "wyn" instead, and loading that
 * makes it bind the natives of the support classes.
 */
final class LauncherLibrary {
    private LauncherLibrary() {}

    /** Loads the natives; without a launcher (no wyn.app.path) nothing is loaded. */
    static void load() {
        String appPath = System.getProperty("wyn.app.path");
        if (appPath == null) {
            return;
        }
        try {
            System.load(appPath);
        } catch (UnsatisfiedLinkError | SecurityException e) {
            loadBuiltIn();
        }
    }

    /** Called when loading the executable failed; a failure here leaves the natives unbound. */
    private static void loadBuiltIn() {
        if (File.separatorChar != '/') {
            return;
        }
        try {
            System.loadLibrary("wyn");
        } catch (UnsatisfiedLinkError | SecurityException e) {
            // No launcher offers the library: the natives stay unbound.
        }
    }
}

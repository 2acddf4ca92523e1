package com.tarnwick.wyn;

import java.io.File;

/**
 * The launcher's natives where its executable cannot be loaded as a library. A Linux launcher
 * (a position-independent executable) offers itself as the built-in library "wyn" instead:
 * loading that makes it bind the natives of the support classes. On Windows the executable
 * itself is the library, and nothing else is tried.
 */
final class LauncherLibrary {
    private LauncherLibrary() {}

    /** Called when loading the executable failed; a failure here leaves the natives unbound. */
    static void loadBuiltIn() {
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

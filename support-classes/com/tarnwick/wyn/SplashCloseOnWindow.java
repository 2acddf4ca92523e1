package com.tarnwick.wyn;

import java.awt.AWTEvent;
import java.awt.event.AWTEventListener;

/**
 * Closes the splash screen when the application opens its first window. The launcher registers
 * it for window events when the configuration asks for it; it stays registered.
 */
public final class SplashCloseOnWindow implements AWTEventListener {
    /** The id of WindowEvent.WINDOW_OPENED. */
    private static final int WINDOW_OPENED = 200;

    @Override
    public void eventDispatched(AWTEvent event) {
        if (event.getID() != WINDOW_OPENED) {
            return;
        }
        SplashScreen splash = SplashScreen.getSplashScreen();
        if (splash != null) {
            splash.close();
        }
    }
}

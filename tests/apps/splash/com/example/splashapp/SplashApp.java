package com.example.splashapp;

import java.awt.Rectangle;
import java.awt.Robot;
import java.awt.Toolkit;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import java.io.File;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import javax.imageio.ImageIO;
import javax.swing.JFrame;
import javax.swing.SwingUtilities;

/**
 * Test application for the splash suite. It reports what the standard splash API and the
 * launcher's SplashScreen class see, then does what "splashapp.action" asks, reporting the
 * splash's state as "key=value" lines.
 */
public final class SplashApp {
    private SplashApp() {}

    private static boolean awtSplashVisible() {
        java.awt.SplashScreen splash = java.awt.SplashScreen.getSplashScreen();
        return splash != null && splash.isVisible();
    }

    private static void waitUntilClosed(long timeoutMs) throws InterruptedException {
        long end = System.currentTimeMillis() + timeoutMs;
        while (awtSplashVisible() && System.currentTimeMillis() < end) {
            Thread.sleep(20);
        }
    }

    public static void main(String[] args) throws Exception {
        System.out.println("awtSplash=" + (java.awt.SplashScreen.getSplashScreen() != null));
        com.tarnwick.wyn.SplashScreen first = com.tarnwick.wyn.SplashScreen.getSplashScreen();
        com.tarnwick.wyn.SplashScreen second = com.tarnwick.wyn.SplashScreen.getSplashScreen();
        System.out.println("wynSplash=" + (first != null));
        System.out.println("wynSplashAgain=" + (second != null));
        System.out.println("sameObject=" + (first == second));
        java.awt.SplashScreen awtSplash = java.awt.SplashScreen.getSplashScreen();
        java.net.URL imageURL = awtSplash == null ? null : awtSplash.getImageURL();
        System.out.println("imageURL=" + imageURL);
        if (imageURL != null) {
            long bytes = 0;
            try (java.io.InputStream image = imageURL.openStream()) {
                while (image.read() >= 0) {
                    ++bytes;
                }
            }
            System.out.println("imageBytes=" + bytes);
        }

        String action = System.getProperty("splashapp.action", "");
        if (action.equals("timer")) {
            System.out.println("atStart=" + (awtSplashVisible() ? "visible" : "closed"));
            waitUntilClosed(8000);
            System.out.println("afterTimer=" + (awtSplashVisible() ? "visible" : "closed"));
        } else if (action.equals("screenshot")) {
            Rectangle screen = new Rectangle(Toolkit.getDefaultToolkit().getScreenSize());
            ImageIO.write(new Robot().createScreenCapture(screen), "png",
                    new File(System.getProperty("splashapp.screenshot")));
            System.out.println("screenshot=taken");
        } else if (action.equals("autoclose0")) {
            first.autoClose(0);
            waitUntilClosed(5000);
            System.out.println("afterAutoClose0=" + (awtSplashVisible() ? "visible" : "closed"));
        } else if (action.equals("autoclose-1")) {
            first.autoClose(500);
            first.autoClose(-1);
            Thread.sleep(1500);
            System.out.println("afterCancel=" + (awtSplashVisible() ? "visible" : "closed"));
            first.close();
        } else if (action.equals("window")) {
            System.out.println("beforeWindow=" + (awtSplashVisible() ? "visible" : "closed"));
            CountDownLatch opened = new CountDownLatch(1);
            SwingUtilities.invokeAndWait(() -> {
                JFrame frame = new JFrame("splash suite window");
                frame.setSize(200, 100);
                frame.addWindowListener(new WindowAdapter() {
                    @Override
                    public void windowOpened(WindowEvent e) {
                        System.out.println("window=opened");
                        opened.countDown();
                    }
                });
                frame.setVisible(true);
            });
            opened.await(10, TimeUnit.SECONDS);
            waitUntilClosed(5000);
            System.out.println("afterWindow=" + (awtSplashVisible() ? "visible" : "closed"));
            System.exit(0);
        }
        System.out.println("main=returned");
    }
}

package com.example.probe;

import java.awt.GraphicsEnvironment;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.SwingUtilities;

/** A Swing application that reports when its window has opened, then closes it. */
public final class Window {
    private Window() {}

    public static void main(String[] args) throws Exception {
        System.out.println("headless=" + GraphicsEnvironment.isHeadless());
        SwingUtilities.invokeAndWait(() -> {
            JFrame frame = new JFrame("wyn probe window");
            frame.add(new JLabel("Hello from a packed Swing application"));
            frame.setSize(320, 120);
            frame.setDefaultCloseOperation(JFrame.DISPOSE_ON_CLOSE);
            frame.addWindowListener(new WindowAdapter() {
                @Override
                public void windowOpened(WindowEvent e) {
                    System.out.println("window=opened");
                    System.out.flush();
                    frame.dispose();
                }
            });
            frame.setVisible(true);
        });
        System.out.println("main=returned");
    }
}

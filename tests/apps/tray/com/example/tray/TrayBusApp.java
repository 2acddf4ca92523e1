package com.example.tray;

import com.tarnwick.wyn.SystemTray;
import com.tarnwick.wyn.SystemTrayCallback;
import com.tarnwick.wyn.SystemTrayMenu;
import java.io.File;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * A tray application driven through its own tray: three icons (the second with a balloon), a
 * menu with a submenu that a right click pops up, and menu commands that hide, change and quit.
 * Every event it receives is printed as one line. With the argument "until-stop" it does all of
 * that by itself and ends once a file named "stop" appears in the working directory. Whether the
 * tray is supported is printed at the start and at the end.
 */
public final class TrayBusApp {
    private static final CountDownLatch quit = new CountDownLatch(1);
    private static SystemTray first;
    private static SystemTray second;
    private static SystemTray third;

    private static synchronized void say(String line) {
        System.out.println(line);
        System.out.flush();
    }

    private static String name(SystemTray icon) {
        return icon == first ? "first" : icon == second ? "second" : icon == third ? "third" : "?";
    }

    public static void main(String[] args) throws Exception {
        say("tray supported at the start: " + SystemTray.isSupported());
        final SystemTrayMenu menu = new SystemTrayMenu();
        SystemTrayMenu more = new SystemTrayMenu();
        more.Append("In&side_it && more", 2);
        menu.Append("&Open", 1);
        menu.AppendSeparator();
        menu.Append("More", more);
        menu.Append("Hide second", 7);
        menu.Append("Change first", 8);
        menu.Append("Balloon again", 6);
        menu.Append("Quit", 9);
        SystemTray.setSystemTrayCallback(new SystemTrayCallback() {
            @Override
            public void OnMouseClick(SystemTray icon, int mouseEvent) {
                say("click " + name(icon) + " " + mouseEvent);
                if (mouseEvent == SystemTray.RIGHT_CLICK) {
                    menu.Popup();
                }
            }

            @Override
            public void OnMenuCommand(int id) {
                say("command " + id);
                if (id == 7) {
                    second.Hide();
                } else if (id == 8) {
                    first.Change(104, "changed tip");
                    // A tooltip change of the icon with a balloon, which shows no balloon.
                    second.Change(0, "second tip");
                } else if (id == 6) {
                    second.Change(0, "second tip", "again text", "again title",
                                  SystemTray.INFOTYPE_WARNING);
                } else if (id == 9) {
                    quit.countDown();
                }
            }
        });
        first = new SystemTray(101, "first tip");
        second = new SystemTray(102, "second tip", "balloon text", "balloon title",
                                SystemTray.INFOTYPE_INFO);
        third = new SystemTray(103, "third tip \u00e9");
        first.Show();
        second.Show();
        third.Show();
        if (args.length > 0 && args[0].equals("until-stop")) {
            menu.Popup();
            first.Change(0, "changed tip");
            third.Hide();
            File stop = new File("stop");
            for (int i = 0; i < 1200 && !stop.exists(); ++i) {
                Thread.sleep(50);
            }
        } else {
            say("ready");
            quit.await(120, TimeUnit.SECONDS);
        }
        say("tray supported at the end: " + SystemTray.isSupported());
        say("tray bus app done");
    }
}

package trayprobe;

import com.tarnwick.wyn.SystemTray;
import com.tarnwick.wyn.SystemTrayCallback;
import com.tarnwick.wyn.SystemTrayMenu;
import java.lang.ref.WeakReference;
import java.util.ArrayList;
import java.util.List;

/** A tray application in miniature: icons, menus and callbacks that record what they get. */
public final class TrayProbe {
    private static final List<String> events = new ArrayList<String>();
    public static SystemTray[] icons;
    public static SystemTrayMenu menu;
    public static WeakReference<SystemTrayMenu> droppedSubmenu;
    public static WeakReference<SystemTray> droppedIcon;

    /** Records every event as "<name> click <index of the icon> <event>" or "<name> menu <id>". */
    public static final class Recorder implements SystemTrayCallback {
        private final String name;

        public Recorder(String name) {
            this.name = name;
        }

        @Override
        public void OnMouseClick(SystemTray icon, int mouseEvent) {
            record(name + " click " + indexOf(icon) + " " + mouseEvent);
        }

        @Override
        public void OnMenuCommand(int id) {
            record(name + " menu " + id);
        }
    }

    /** A callback without the interface's methods, as a foreign object would be. */
    public static final class NotACallback {}

    /** An icon class whose handle field is an int. */
    public static final class IntHandle {
        public int h;
    }

    /** A class without a handle field. */
    public static final class NoHandle {}

    private static synchronized void record(String event) {
        events.add(event);
    }

    public static synchronized String takeEvents() {
        StringBuilder all = new StringBuilder();
        for (String event : events) {
            all.append(all.length() == 0 ? "" : ";").append(event);
        }
        events.clear();
        return all.toString();
    }

    static int indexOf(SystemTray icon) {
        for (int i = 0; i < icons.length; ++i) {
            if (icons[i] == icon) {
                return i;
            }
        }
        return icon == null ? -2 : -1;
    }

    public static void makeIcons(String longTip) {
        icons = new SystemTray[] {
            new SystemTray(1, "plain"),
            new SystemTray(2, "balloon", "balloon text", "balloon title", SystemTray.INFOTYPE_INFO),
            new SystemTray(3, longTip),
            new SystemTray(4, null, null, null, SystemTray.INFOTYPE_WARNING),
        };
    }

    public static void setCallback(String name) {
        SystemTray.setSystemTrayCallback(name == null ? null : new Recorder(name));
    }

    /** A menu with items 0, 7, 1000, 1001 and -1, a separator, a null text and a submenu (id 3)
     * whose only reference is the menu's own. */
    public static void makeMenu() {
        menu = new SystemTrayMenu();
        menu.Append("&Open", 0);
        menu.Append("Seven", 7);
        menu.AppendSeparator();
        menu.Append("Last", 1000);
        menu.Append("Too high", 1001);
        menu.Append("Negative", -1);
        menu.Append(null, 5);
        menu.Append("Nothing", (SystemTrayMenu) null);
        SystemTrayMenu sub = new SystemTrayMenu();
        sub.Append("Inside", 3);
        menu.Append("More", sub);
        droppedSubmenu = new WeakReference<SystemTrayMenu>(sub);
    }

    public static int submenuCount() {
        return menu.getSubmenu().size();
    }

    /** Makes an icon and drops it; returns its handle. */
    public static long dropIcon() {
        SystemTray icon = new SystemTray(9, "dropped");
        droppedIcon = new WeakReference<SystemTray>(icon);
        return handleOf(icon);
    }

    private static long handleOf(SystemTray icon) {
        try {
            java.lang.reflect.Field field = SystemTray.class.getDeclaredField("h");
            field.setAccessible(true);
            return field.getLong(icon);
        } catch (ReflectiveOperationException e) {
            return -1;
        }
    }

    /** Collects garbage and runs finalizers until the weak reference is cleared. */
    public static boolean collect(WeakReference<?> reference) throws InterruptedException {
        for (int i = 0; i < 50 && reference.get() != null; ++i) {
            System.gc();
            System.runFinalization();
            Thread.sleep(20);
        }
        System.gc();
        System.runFinalization();
        return reference.get() == null;
    }

    public static boolean collectSubmenu() throws InterruptedException {
        return collect(droppedSubmenu);
    }

    public static boolean collectDroppedIcon() throws InterruptedException {
        return collect(droppedIcon);
    }

    /** Shows, changes, hides, creates and drops icons for a while, as a busy application does
     * while the user clicks. */
    public static void churn(int rounds) {
        for (int i = 0; i < rounds; ++i) {
            SystemTray icon = new SystemTray(1, "churn " + i);
            icon.Show();
            icon.Change(1, "changed " + i);
            icons[0].Show();
            icons[0].Hide();
            icon.Hide();
            if (i % 50 == 0) {
                System.gc();
            }
        }
    }
}

package com.tarnwick.wyn;

/**
 * An icon in the Windows notification area, made from one of the executable's icon resources,
 * with a tooltip and an optional balloon. An icon appears with {@link #Show} and disappears
 * with {@link #Hide}; while shown it is kept from being collected. Its mouse events reach the
 * {@link SystemTrayCallback} registered with {@link #setSystemTrayCallback}.
 *
 * <p>On Linux shown icons become status notifier items on the session bus. Where no tray
 * can show them, {@link #isSupported} is false.
 */
public class SystemTray {
    public static final int INFOTYPE_NONE = 0;
    public static final int INFOTYPE_INFO = 1;
    public static final int INFOTYPE_WARNING = 2;
    public static final int INFOTYPE_ERROR = 3;

    public static final int MOUSE_MOVE = 512;
    public static final int LEFT_CLICK = 514;
    public static final int LEFT_DOUBLE_CLICK = 515;
    public static final int RIGHT_CLICK = 517;
    public static final int RIGHT_DOUBLE_CLICK = 518;
    public static final int MIDDLE_CLICK = 520;
    public static final int MIDDLE_DOUBLE_CLICK = 521;

    /** The launcher's record of this icon. */
    protected long h;

    static {
        LauncherLibrary.load();
    }

    /**
     * An icon with a tooltip (at most 63 characters are shown) and no balloon.
     *
     * @param icon the id of an icon resource of the executable
     * @param tip the tooltip, or null for none
     */
    public SystemTray(int icon, String tip) {
        h = 0;
        init(icon, tip, null, null, INFOTYPE_NONE);
    }

    /**
     * An icon with a tooltip and a balloon that the shell shows with the icon (balloon text at
     * most 255 characters, title at most 63).
     *
     * @param infoType one of the {@code INFOTYPE_} constants
     */
    public SystemTray(int icon, String tip, String info, String infoTitle, int infoType) {
        h = 0;
        init(icon, tip, info, infoTitle, infoType);
    }

    protected native void init(int icon, String tip, String info, String infoTitle, int infoType);

    /**
     * Changes a shown icon; does nothing while it is hidden. An icon id of 0 or less keeps the
     * image, a null tip clears the tooltip, null balloon texts keep theirs. Only an icon made
     * with both balloon texts can show a balloon.
     */
    public native void Change(int icon, String tip, String info, String infoTitle, int infoType);

    /** Changes a shown icon's image and tooltip. */
    public void Change(int icon, String tip) {
        Change(icon, tip, null, null, -1);
    }

    /** Puts the icon into the notification area. */
    public native void Show();

    /** Takes the icon out of the notification area. */
    public native void Hide();

    @Override
    protected native void finalize();

    /**
     * Whether icons can be shown now: on Windows when the taskbar's notification area exists, on
     * Linux when a status notifier watcher (the desktop's tray) answers on the session bus. An
     * application that lives in the tray alone should show a window instead when this is false.
     * On Linux it asks the bus and waits half a second at most.
     */
    public static native boolean isSupported();

    /** Registers the receiver of the tray's events, replacing the one before; null for none. */
    public static native void setSystemTrayCallback(SystemTrayCallback callback);
}

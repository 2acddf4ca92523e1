package com.tarnwick.wyn;

import java.util.HashSet;

/**
 * A popup menu for the tray: command items, separators and submenus, shown at the mouse position
 * with {@link #Popup} (usually from {@link SystemTrayCallback#OnMouseClick}). A chosen item
 * reaches {@link SystemTrayCallback#OnMenuCommand} with the id it was appended with; ids from 0
 * to 1000 work. An ampersand in a text marks the item's access key.
 *
 * <p>On Linux the launcher keeps the menu and shows nothing.
 */
public class SystemTrayMenu {
    /** The launcher's record of this menu. */
    protected long h;

    /** The submenus appended to this menu, which live at least as long as it does. */
    protected HashSet<SystemTrayMenu> popups;

    static {
        LauncherLibrary.load();
    }

    public SystemTrayMenu() {
        h = 0;
        popups = new HashSet<SystemTrayMenu>();
        init();
    }

    protected native void init();

    /** Appends a command item. */
    public native void Append(String text, int id);

    /** Appends a submenu. */
    public native void Append(String text, SystemTrayMenu submenu);

    public native void AppendSeparator();

    /** Shows the menu at the mouse position; returns when it closes. */
    public native void Popup();

    /** The submenus appended to this menu. */
    public HashSet<SystemTrayMenu> getSubmenu() {
        return popups;
    }

    @Override
    protected native void finalize();
}

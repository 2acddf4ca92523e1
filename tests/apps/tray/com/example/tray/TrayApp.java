package com.example.tray;

import com.tarnwick.wyn.SystemTray;
import com.tarnwick.wyn.SystemTrayCallback;
import com.tarnwick.wyn.SystemTrayMenu;

/** A tray application: two shown icons, one hidden, a menu with a submenu, and a callback. */
public final class TrayApp {
    public static void main(String[] args) {
        final SystemTrayMenu menu = new SystemTrayMenu();
        SystemTrayMenu more = new SystemTrayMenu();
        more.Append("Inside", 2);
        menu.Append("&Open", 1);
        menu.AppendSeparator();
        menu.Append("More", more);
        SystemTray.setSystemTrayCallback(new SystemTrayCallback() {
            @Override
            public void OnMouseClick(SystemTray icon, int mouseEvent) {
                menu.Popup();
            }

            @Override
            public void OnMenuCommand(int id) {}
        });
        SystemTray first = new SystemTray(101, "first");
        SystemTray second =
            new SystemTray(102, "second", "text", "title", SystemTray.INFOTYPE_INFO);
        SystemTray hidden = new SystemTray(103, "hidden");
        first.Show();
        second.Show();
        hidden.Show();
        hidden.Hide();
        first.Change(104, "changed");
        menu.Popup();
        System.out.println("tray app done, submenus " + menu.getSubmenu().size());
    }
}

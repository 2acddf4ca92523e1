package com.tarnwick.wyn;

/**
 * Receives the events of the application's tray icons and tray menus. Register one with
 * {@link SystemTray#setSystemTrayCallback}. The calls arrive on the launcher's tray thread, not
 * on the thread that made the icons, so an implementation hands work to its own threads (for
 * Swing: {@code SwingUtilities.invokeLater}).
 */
public interface SystemTrayCallback {
    /**
     * A mouse event on a shown icon.
     *
     * @param icon the icon
     * @param mouseEvent one of the {@code SystemTray} mouse constants, or another Windows mouse
     *     message (such as a button going down)
     */
    void OnMouseClick(SystemTray icon, int mouseEvent);

    /**
     * An item of a {@link SystemTrayMenu} was chosen.
     *
     * @param id the id the item was appended with (0 to 1000)
     */
    void OnMenuCommand(int id);
}

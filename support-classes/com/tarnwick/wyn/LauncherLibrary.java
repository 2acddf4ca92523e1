package com.tarnwick.wyn;

/**
 * The launcher's natives for the support classes. The launcher offers itself as the built-in
 * library "wyn": a runtime of release 8 or later finds it inside the running executable when
 * asked for that library (statically linked JNI libraries), without any path, and the launcher
 * then binds the natives of every support class. Older runtimes have no such lookup, and
 * {@code loadLibrary} would search {@code java.library.path} (on Windows the current directory
 * and PATH) for a file named wyn.dll, which anybody may have put there: on them the executable
 * is loaded by its path instead, which binds the natives the Windows launcher exports under
 * their JNI names.
 */
final class LauncherLibrary {
    private LauncherLibrary() {}

    /** Loads the natives; without a launcher (no wyn.app.path) nothing is loaded. */
    static void load() {
        String appPath = System.getProperty("wyn.app.path");
        if (appPath == null) {
            return;
        }
        try {
            if (hasBuiltInLibraries(System.getProperty("java.specification.version"))) {
                System.loadLibrary("wyn");
            } else {
                System.load(appPath);
            }
        } catch (UnsatisfiedLinkError | SecurityException e) {
            // No launcher offers the natives: they stay unbound.
        }
    }

    /**
     * Whether a runtime of this release ("1.7", "1.8", "17", as java.specification.version
     * names it) finds built-in libraries: release 8 and later. A version that cannot be read
     * counts as older.
     */
    static boolean hasBuiltInLibraries(String specificationVersion) {
        if (specificationVersion == null) {
            return false;
        }
        String version = specificationVersion.startsWith("1.")
                ? specificationVersion.substring(2)
                : specificationVersion;
        int end = 0;
        while (end < version.length() && end < 9 && Character.isDigit(version.charAt(end))) {
            end++;
        }
        if (end == 0) {
            return false;
        }
        return Integer.parseInt(version.substring(0, end)) >= 8;
    }
}

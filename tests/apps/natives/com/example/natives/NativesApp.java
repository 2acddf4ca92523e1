package com.example.natives;

import com.tarnwick.wyn.Instances;
import com.tarnwick.wyn.SplashScreen;
import com.tarnwick.wyn.SystemTray;
import com.tarnwick.wyn.SystemTrayMenu;
import java.lang.management.ManagementFactory;
import java.util.concurrent.CountDownLatch;

/**
 * Test application for the support natives (with the argument "builtin-versions", it reports
 * instead which runtime versions the support classes bind through the built-in library): four threads use four different support classes
 * for the first time at the same moment, each calling natives of its class (SplashScreen
 * reports no splash when it has none), and the application reports "natives=ok" when every
 * call found its native. It also reports the options the runtime was given that decide native
 * access ("native-access-options=...").
 */
public final class NativesApp {
    private NativesApp() {}

    /**
     * For each version after the first argument ("null" for none): whether the support
     * classes take the built-in library route on a runtime of that release, as
     * "builtin <version>=<true|false>".
     */
    private static void printBuiltInDecisions(String[] args) throws Exception {
        java.lang.reflect.Method decide = Class.forName("com.tarnwick.wyn.LauncherLibrary")
                .getDeclaredMethod("hasBuiltInLibraries", String.class);
        decide.setAccessible(true);
        for (int i = 1; i < args.length; i++) {
            String version = args[i].equals("null") ? null : args[i];
            System.out.println("builtin " + args[i] + "=" + decide.invoke(null, version));
        }
    }

    public static void main(String[] args) throws Exception {
        if (args.length > 0 && args[0].equals("builtin-versions")) {
            printBuiltInDecisions(args);
            return;
        }
        final CountDownLatch start = new CountDownLatch(1);
        final String[] failures = new String[4];
        Runnable[] uses = {
            () -> Instances.getCurrentInstance(),
            () -> SystemTray.setSystemTrayCallback(null),
            () -> new SystemTrayMenu().AppendSeparator(),
            () -> SplashScreen.getSplashScreen(),
        };
        Thread[] threads = new Thread[uses.length];
        for (int i = 0; i < uses.length; i++) {
            final int index = i;
            final Runnable use = uses[i];
            threads[i] = new Thread(() -> {
                try {
                    start.await();
                    use.run();
                } catch (Throwable e) {
                    failures[index] = e.toString();
                }
            });
            threads[i].start();
        }
        start.countDown();
        boolean ok = true;
        for (int i = 0; i < threads.length; i++) {
            threads[i].join();
            if (failures[i] != null) {
                System.out.println("failure " + i + ": " + failures[i]);
                ok = false;
            }
        }
        System.out.println(ok ? "natives=ok" : "natives=missing");
        StringBuilder nativeAccess = new StringBuilder();
        for (String option : ManagementFactory.getRuntimeMXBean().getInputArguments()) {
            if (option.startsWith("--enable-native-access")) {
                nativeAccess.append(nativeAccess.length() == 0 ? "" : " ").append(option);
            }
        }
        System.out.println("native-access-options=" + nativeAccess);
    }
}

package com.example.probe;

import java.io.File;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * Test application for the launcher's end-to-end suites. It reports what it received, one
 * "key=value" line each, and then does what the system property "probe.action" asks.
 */
public final class Probe {
    private Probe() {}

    public static void main(String[] args) throws Exception {
        PrintStream out = new PrintStream(System.out, true, "UTF-8");
        out.println("argc=" + args.length);
        for (int i = 0; i < args.length; i++) {
            out.println("arg" + i + "=" + args[i]);
        }
        String[] properties = {
            "java.class.path", "wyn.class.path", "wyn.app.path", "application.home",
            "wyn.is.elevated", "java.version"
        };
        for (String name : properties) {
            out.println("property." + name + "=" + System.getProperty(name));
        }
        String more = System.getProperty("probe.properties", "");
        for (String name : more.split(",")) {
            if (!name.isEmpty()) {
                out.println("property." + name + "=" + System.getProperty(name));
            }
        }
        String env = System.getProperty("probe.env", "");
        for (String name : env.split(",")) {
            if (!name.isEmpty()) {
                out.println("env." + name + "=" + System.getenv(name));
            }
        }
        out.println("maxMemory=" + Runtime.getRuntime().maxMemory());
        out.println("firstThread=" + onFirstThread());
        out.println("cwd=" + new File(".").getCanonicalPath());

        String action = System.getProperty("probe.action", "");
        switch (action) {
            case "exit42":
                System.exit(42);
                break;
            case "exit0":
                System.exit(0);
                break;
            case "throw":
                throw new IllegalStateException("probe failure");
            case "thread-throw":
                Thread late = new Thread(() -> {
                    try {
                        Thread.sleep(700);
                    } catch (InterruptedException e) {
                        return;
                    }
                    out.println("thread=done");
                });
                late.start();
                throw new IllegalStateException("probe failure beside a thread");
            case "modules":
                out.println("opens.java.lang=" + moduleAllows("isOpen", String.class, "java.lang"));
                out.println("exports.sun.awt="
                        + moduleAllows("isExported", java.awt.Component.class, "sun.awt"));
                break;
            case "missing-class":
                Class.forName("com.example.probe.Absent");
                break;
            case "thread":
                Thread worker = new Thread(() -> {
                    try {
                        Thread.sleep(700);
                    } catch (InterruptedException e) {
                        return;
                    }
                    out.println("thread=done");
                });
                worker.start();
                break;
            case "wait":
                out.println("ready=1");
                Thread.sleep(60000);
                out.println("wait=timeout");
                break;
            default:
                break;
        }
        out.println("main=returned");
    }

    // Whether the module of a platform class opens or exports a package to the probe, asked
    // through reflection: the probe is compiled for Java 8, which has no modules.
    private static String moduleAllows(String method, Class<?> inModule, String pkg)
            throws Exception {
        Class<?> moduleClass = Class.forName("java.lang.Module");
        java.lang.reflect.Method getModule = Class.class.getMethod("getModule");
        Object module = getModule.invoke(inModule);
        Object self = getModule.invoke(Probe.class);
        return String.valueOf(moduleClass.getMethod(method, String.class, moduleClass)
                .invoke(module, pkg, self));
    }

    // On Linux the process's first thread has the process id as its thread id.
    private static String onFirstThread() {
        try {
            String self = Files.readSymbolicLink(Paths.get("/proc/thread-self")).toString();
            String[] parts = self.split("/");
            return String.valueOf(parts.length >= 2 && parts[0].equals(parts[parts.length - 1]));
        } catch (Exception e) {
            return "unknown";
        }
    }
}

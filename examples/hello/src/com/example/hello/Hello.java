package com.example.hello;

import java.util.Map;
import java.util.TreeMap;

/** The wyn demo: greets, shows its arguments, the Java version and the launcher's properties. */
public final class Hello {
    private Hello() {}

    public static void main(String[] args) {
        System.out.println("Hello from a packed Java application!");
        System.out.println("Java " + System.getProperty("java.version") + " ("
                + System.getProperty("java.vendor") + ")");
        System.out.println(args.length + " argument(s):");
        for (int i = 0; i < args.length; i++) {
            System.out.println("  [" + i + "] " + args[i]);
        }
        Map<String, String> properties = new TreeMap<>();
        for (String name : System.getProperties().stringPropertyNames()) {
            if (name.startsWith("wyn.") || name.equals("application.home")) {
                properties.put(name, System.getProperty(name));
            }
        }
        System.out.println("Launcher properties:");
        for (Map.Entry<String, String> p : properties.entrySet()) {
            System.out.println("  " + p.getKey() + " = " + p.getValue());
        }
    }
}

package com.example.packed;

/** Lives in a jar of its own, so that a packed run shows that the jars were merged. */
public final class Greeting {
    private Greeting() {}

    public static String text() {
        return "greeting from the second jar";
    }
}

package com.example.probe;

/** A class without a main method, for the launcher's "main method missing" message. */
public final class NoMain {
    private NoMain() {}

    public static void start() {}
}

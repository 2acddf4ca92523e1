package com.example.services;

import java.util.ServiceLoader;

/** Prints the name of every Greeter that ServiceLoader finds, one per line. */
public final class ListGreeters {
    private ListGreeters() {}

    public static void main(String[] args) {
        for (Greeter greeter : ServiceLoader.load(Greeter.class)) {
            System.out.println(greeter.name());
        }
    }
}

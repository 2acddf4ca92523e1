package com.example.services;

/** The provider the second jar registers. */
public final class SecondGreeter implements Greeter {
    @Override
    public String name() {
        return "second";
    }
}

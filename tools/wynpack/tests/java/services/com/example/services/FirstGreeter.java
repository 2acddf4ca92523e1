package com.example.services;

/** The provider the first jar registers. */
public final class FirstGreeter implements Greeter {
    @Override
    public String name() {
        return "first";
    }
}

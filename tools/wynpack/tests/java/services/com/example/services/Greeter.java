package com.example.services;

/** A service whose providers come from different jars. */
public interface Greeter {
    String name();
}

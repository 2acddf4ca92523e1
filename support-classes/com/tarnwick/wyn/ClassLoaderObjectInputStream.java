package com.tarnwick.wyn;

import java.io.IOException;
import java.io.InputStream;
import java.io.ObjectInputStream;
import java.io.ObjectStreamClass;

/**
 * An object stream that resolves classes through a given class loader, so that an object sent
 * by another instance can be of a class that only the application's own loader knows.
 */
public class ClassLoaderObjectInputStream extends ObjectInputStream {
    private final ClassLoader classLoader;

    public ClassLoaderObjectInputStream(InputStream in, ClassLoader classLoader)
            throws IOException {
        super(in);
        this.classLoader = classLoader;
    }

    @Override
    protected Class<?> resolveClass(ObjectStreamClass description)
            throws IOException, ClassNotFoundException {
        try {
            return Class.forName(description.getName(), false, classLoader);
        } catch (ClassNotFoundException e) {
            return super.resolveClass(description);
        }
    }
}

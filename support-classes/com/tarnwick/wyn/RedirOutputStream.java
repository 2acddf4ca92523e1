package com.tarnwick.wyn;

import java.io.IOException;
import java.io.OutputStream;

/**
 * The output stream that the launcher puts under {@code System.out} or {@code System.err} when
 * the process's standard stream could not be moved onto the configured file or command. The
 * launcher writes the target's handle into {@link #h}; the natives write every byte there at
 * once, so nothing is held back that an exit could lose.
 */
public class RedirOutputStream extends OutputStream {
    /** The target's handle (a descriptor on Linux), set by the launcher; 0 writes nothing. */
    protected long h;

    static {
        LauncherLibrary.load();
    }

    public RedirOutputStream() {
        h = 0;
    }

    @Override
    public native void write(int b) throws IOException;

    /** Writes the range with one native call instead of one call per byte. */
    @Override
    public void write(byte[] b, int off, int len) throws IOException {
        if (b == null) {
            throw new NullPointerException();
        }
        if (off < 0 || len < 0 || len > b.length - off) {
            throw new IndexOutOfBoundsException();
        }
        if (len > 0) {
            writeBytes(b, off, len);
        }
    }

    /** Nothing to do: no byte is buffered on this side. */
    @Override
    public void flush() {}

    // Not an overload of write: a runtime binds natives by their short JNI name first, which
    // would give two natives called write the same function.
    private native void writeBytes(byte[] b, int off, int len);
}

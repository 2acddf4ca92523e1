package com.example.packed;

import java.io.ByteArrayOutputStream;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;

/**
 * Run from a packed executable: prints the greeting of the other jar and the resource
 * message.txt of this package (to show which jar's copy won).
 */
public final class Hello {
    private Hello() {}

    public static void main(String[] args) throws Exception {
        System.out.println(Greeting.text());
        try (InputStream in = Hello.class.getResourceAsStream("message.txt")) {
            if (in == null) {
                System.out.println("no message");
                return;
            }
            ByteArrayOutputStream out = new ByteArrayOutputStream();
            byte[] buffer = new byte[4096];
            for (int n; (n = in.read(buffer)) > 0; ) {
                out.write(buffer, 0, n);
            }
            System.out.println(new String(out.toByteArray(), StandardCharsets.UTF_8));
        }
    }
}

package wyntest.session;

/** A main that fails. */
public final class Thrower {
    public static void main(String[] args) {
        throw new IllegalStateException("thrown on purpose");
    }
}

package wyntest.session;

/** A class whose main has the wrong signature. */
public final class NoMain {
    public static void main(String first, String second) {
        System.out.println("not the entry point");
    }
}

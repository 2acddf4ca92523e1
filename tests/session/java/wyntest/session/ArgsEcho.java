package wyntest.session;

/** Prints its arguments, one per line, with every character outside ASCII as <hex>. */
public final class ArgsEcho {
    public static void main(String[] args) {
        System.out.println("args: " + args.length);
        for (int i = 0; i < args.length; i++) {
            System.out.println("arg " + i + ": " + visible(args[i]));
        }
        ClassLoader loader = Thread.currentThread().getContextClassLoader();
        System.out.println("context loader: " + (loader == null ? "null" : loader.getClass().getName()));
        System.out.flush();
    }

    private static String visible(String text) {
        StringBuilder out = new StringBuilder();
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            if (c >= 0x20 && c < 0x7f) {
                out.append(c);
            } else {
                out.append('<').append(Integer.toHexString(c)).append('>');
            }
        }
        return out.toString();
    }
}

/**
 * Loads a native library file for the embedded test JVM. System.load binds the library
 * to its caller's class loader, so it must be called from a Java class on the class
 * path, where Quorvane_ lives too, and not straight from native code.
 */
public final class QuorvaneTestLoader {
  private QuorvaneTestLoader() {}

  public static void load(String path) {
    System.load(path);
  }
}

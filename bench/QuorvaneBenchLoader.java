/**
 * Loads the native library file for the benchmark's embedded JVM. System.load binds the
 * library to its caller's class loader, so it is called from a class on the class path,
 * beside Quorvane_, and not straight from native code.
 */
public final class QuorvaneBenchLoader {
  private QuorvaneBenchLoader() {}

  public static void load(String path) {
    System.load(path);
  }
}

package quorvane;

import java.lang.invoke.MethodHandle;
import java.lang.invoke.MethodHandles;
import java.lang.invoke.MethodType;
import java.nio.file.Path;
import java.util.concurrent.locks.ReentrantLock;

/**
 * The one way into the native library: loads it once, and calls the methods of the
 * default-package class {@code Quorvane_} (which named packages cannot name) through
 * method handles. Every call must be made holding {@link #LOCK}, because the library
 * keeps one process-wide camera state and takes no locks itself.
 */
final class Native {
  /** Serialises every native call of the process made through this package. */
  static final ReentrantLock LOCK = new ReentrantLock();

  /** System property naming the library file to load instead of searching for it. */
  static final String LIBRARY_PROPERTY = "quorvane.library";
  static final String LIBRARY_NAME = "QuorvaneNative";

  private static final String DECLARING_CLASS = "Quorvane_";

  private static boolean loaded; // guarded by LOCK
  private static MethodHandle initCamera;
  private static MethodHandle releaseCamera;
  private static MethodHandle setUpCamera;
  private static MethodHandle runCocAsVideo;
  private static MethodHandle stopCoc;
  private static MethodHandle acquire;
  private static MethodHandle acquire8;
  private static MethodHandle acquireRgb;
  private static MethodHandle whiteBalance;
  private static MethodHandle autoMinMax;

  private Native() {}

  /**
   * Loads the library unless it is loaded: from {@code file} when given, else from the
   * file named by the system property {@value #LIBRARY_PROPERTY}, else by name through
   * {@code java.library.path}.
   */
  static void load(Path file) throws CameraException {
    LOCK.lock();
    try {
      if (loaded) return;
      String property = System.getProperty(LIBRARY_PROPERTY);
      String where;
      try {
        if (file != null) {
          where = file.toAbsolutePath().toString();
          System.load(where);
        } else if (property != null && !property.isEmpty()) {
          where = Path.of(property).toAbsolutePath().toString();
          System.load(where);
        } else {
          where = System.mapLibraryName(LIBRARY_NAME) + " on java.library.path";
          System.loadLibrary(LIBRARY_NAME);
        }
      } catch (UnsatisfiedLinkError | SecurityException e) {
        throw new CameraException("loading " + LIBRARY_NAME, CameraException.NOT_LOADED, e);
      }
      bind(where);
      loaded = true;
    } finally {
      LOCK.unlock();
    }
  }

  private static void bind(String where) throws CameraException {
    try {
      Class<?> c = Class.forName(DECLARING_CLASS, true, Native.class.getClassLoader());
      MethodHandles.Lookup lookup = MethodHandles.publicLookup();
      MethodType ints = MethodType.methodType(int[].class);
      MethodType status = MethodType.methodType(int.class);
      initCamera = lookup.findStatic(c, "InitCamera", ints);
      releaseCamera = lookup.findStatic(c, "ReleaseCamera", status);
      setUpCamera = lookup.findStatic(c, "SetUpCamera", status.appendParameterTypes(int[].class));
      runCocAsVideo = lookup.findStatic(c, "RunCOCAsVIDEO", status);
      stopCoc = lookup.findStatic(c, "StopCOC", status);
      acquire = lookup.findStatic(c, "Acquire", status.appendParameterTypes(short[].class));
      acquire8 = lookup.findStatic(c, "Acquire8", status.appendParameterTypes(byte[].class));
      acquireRgb = lookup.findStatic(c, "AcquireRGB", status.appendParameterTypes(int[].class));
      whiteBalance = lookup.findStatic(c, "WhiteBalance", ints.appendParameterTypes(int[].class));
      autoMinMax = lookup.findStatic(c, "AutoMinMax",
          ints.appendParameterTypes(int.class, int[].class));
    } catch (ReflectiveOperationException e) {
      throw new CameraException("binding " + DECLARING_CLASS + " of " + where,
          CameraException.NOT_LOADED, e);
    }
  }

  private static RuntimeException unexpected(Throwable t) {
    if (t instanceof RuntimeException) return (RuntimeException) t;
    if (t instanceof Error) throw (Error) t;
    return new IllegalStateException("native call failed", t);
  }

  private static void checkHeld() {
    if (!LOCK.isHeldByCurrentThread() || !loaded) {
      throw new IllegalStateException("native call without the lock or before loading");
    }
  }

  static int[] initCamera() {
    checkHeld();
    try {
      return (int[]) initCamera.invokeExact();
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int releaseCamera() {
    checkHeld();
    try {
      return (int) releaseCamera.invokeExact();
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int setUpCamera(int[] settings) {
    checkHeld();
    try {
      return (int) setUpCamera.invokeExact(settings);
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int runCocAsVideo() {
    checkHeld();
    try {
      return (int) runCocAsVideo.invokeExact();
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int stopCoc() {
    checkHeld();
    try {
      return (int) stopCoc.invokeExact();
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int acquire(short[] frame) {
    checkHeld();
    try {
      return (int) acquire.invokeExact(frame);
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int acquire8(byte[] frame) {
    checkHeld();
    try {
      return (int) acquire8.invokeExact(frame);
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int acquireRgb(int[] frame) {
    checkHeld();
    try {
      return (int) acquireRgb.invokeExact(frame);
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int[] whiteBalance(int[] region) {
    checkHeld();
    try {
      return (int[]) whiteBalance.invokeExact(region);
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }

  static int[] autoMinMax(int proportional, int[] region) {
    checkHeld();
    try {
      return (int[]) autoMinMax.invokeExact(proportional, region);
    } catch (Throwable t) {
      throw unexpected(t);
    }
  }
}

package quorvane.test;

import java.lang.invoke.MethodHandle;
import java.lang.invoke.MethodHandles;
import java.lang.invoke.MethodType;

/**
 * Direct calls of the default-package class {@code Quorvane_}, which named packages can
 * reach only by reflection: for the cases that look past the wrapper, such as whether
 * anything is still loaded after a camera was closed.
 */
final class Raw {
  private Raw() {}

  private static MethodHandle find(String name, MethodType type) {
    try {
      return MethodHandles.publicLookup().findStatic(Class.forName("Quorvane_"), name, type);
    } catch (ReflectiveOperationException e) {
      throw new IllegalStateException(e);
    }
  }

  /** ReleaseCamera: -56 tells that nothing was loaded any more. */
  static int releaseCamera() throws Throwable {
    return (int) find("ReleaseCamera", MethodType.methodType(int.class)).invokeExact();
  }

  static int setUpCamera(int[] settings) throws Throwable {
    return (int) find("SetUpCamera", MethodType.methodType(int.class, int[].class))
        .invokeExact(settings);
  }

  static int runCocAsVideo() throws Throwable {
    return (int) find("RunCOCAsVIDEO", MethodType.methodType(int.class)).invokeExact();
  }

  static int stopCoc() throws Throwable {
    return (int) find("StopCOC", MethodType.methodType(int.class)).invokeExact();
  }

  static int acquire(short[] frame) throws Throwable {
    return (int) find("Acquire", MethodType.methodType(int.class, short[].class))
        .invokeExact(frame);
  }
}

/**
 * The camera, as the native library QuorvaneNative implements it.
 *
 * <p>Load the library before the first call, for example with
 * {@code System.loadLibrary("QuorvaneNative")}; the simulated or real vendor libraries
 * must lie in the same folder as the library file. Call this class from one thread at a
 * time: the native side keeps one process-wide camera state and takes no locks.
 *
 * <p>Every method returns a status code, or carries it in its result array: 0 is success,
 * -54 a frame that was not completed, -56 a vendor library that did not load (or a call
 * made while none is loaded), 1 a vendor library that lacks an entry point, and any other
 * value the unchanged status of a failing vendor call.
 */
public final class Quorvane_ {
  private Quorvane_() {}

  /** Brings the camera up. Returns {status, fullWidth, fullHeight, isColor}. */
  public static native int[] InitCamera();

  /** Releases tables, buffer, board and vendor libraries; returns the board-close status. */
  public static native int ReleaseCamera();

  /** Applies a block of 14 settings and starts the camera; blocks for at least 1200 ms. */
  public static native int SetUpCamera(int[] settings);

  /** Sends one software trigger in triggered mode. */
  public static native int RunCOCAsVIDEO();

  /** Stops the camera. */
  public static native int StopCOC();

  /** Takes one frame as raw 12-bit values; the array holds at least width x height. */
  public static native int Acquire(short[] frame);

  /** Takes one frame as 8-bit grey through the black-and-white table. */
  public static native int Acquire8(byte[] frame);

  /** Takes one frame as 0x00RRGGBB pixels through the colour or pseudo-colour table. */
  public static native int AcquireRGB(int[] frame);

  /** White balance over {x, y, width, height}; returns {red, green, blue, status}. */
  public static native int[] WhiteBalance(int[] region);

  /** Display range from a histogram of {x, y, width, height}; returns {min, max}. */
  public static native int[] AutoMinMax(int proportional, int[] region);
}

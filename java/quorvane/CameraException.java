package quorvane;

import java.util.Locale;

/**
 * A camera call that failed, with the status code the native library returned and what
 * that code means.
 *
 * <p>The message reads, for example, {@code "Acquire8 failed with status -54: the frame
 * was not completed (...)"}. {@link #status()} gives the code itself, to compare with the
 * constants of this class; {@link #describe(int)} the meaning of any code.
 */
public final class CameraException extends Exception {
  private static final long serialVersionUID = 1L;

  /** Success; never the status of an exception. */
  public static final int OK = 0;
  /** A frame was not completed: a time-out, a failing driver call or a frame too large. */
  public static final int FRAME_INCOMPLETE = -54;
  /** A library failed to load, or the call needs a vendor library that is not loaded. */
  public static final int NOT_LOADED = -56;
  /** The settings array was null or shorter than 14 elements. */
  public static final int BAD_SETTINGS = -57;
  /** A vendor library lacks a required entry point. */
  public static final int MISSING_ENTRY_POINT = 1;
  /** The white balance failed; the colour factors were set back to 100, 100, 100. */
  public static final int WHITE_BALANCE_FAILED = 0xA0123001;

  private final String operation;
  private final int status;

  /**
   * @param operation the native method that failed, for example {@code "SetUpCamera"}
   * @param status its status code, not 0
   */
  public CameraException(String operation, int status) {
    this(operation, status, null);
  }

  /**
   * @param operation the native method that failed, for example {@code "SetUpCamera"}
   * @param status its status code, not 0
   * @param cause what made it fail on the Java side, or null
   */
  public CameraException(String operation, int status, Throwable cause) {
    super(message(operation, status, cause), cause);
    this.operation = operation;
    this.status = status;
  }

  /** The status code the call returned. */
  public int status() {
    return status;
  }

  /** The native method that failed, for example {@code "SetUpCamera"}. */
  public String operation() {
    return operation;
  }

  /** What the status code means; the same text as {@link #describe(int)}. */
  public String meaning() {
    return describe(status);
  }

  /**
   * What a status code of the native library means.
   *
   * @param status any status code
   * @return a short explanation in English
   */
  public static String describe(int status) {
    switch (status) {
      case OK:
        return "success";
      case FRAME_INCOMPLETE:
        return "the frame was not completed (the camera delivered none in time, a driver"
            + " call failed, or the image was larger than the frame buffer)";
      case NOT_LOADED:
        return "a library could not be loaded, or the call needs a vendor library that is"
            + " not loaded (the driver and conversion libraries must lie in the folder of"
            + " the QuorvaneNative library file)";
      case BAD_SETTINGS:
        return "the settings array is null or shorter than 14 elements";
      case MISSING_ENTRY_POINT:
        return "a vendor library lacks a required entry point (wrong or outdated driver"
            + " or conversion library)";
      case WHITE_BALANCE_FAILED:
        return "the white balance failed (region outside the frame or too small, no frame"
            + " taken yet, or refused by the conversion library); the colour factors are"
            + " back at 100, 100, 100";
      default:
        return String.format(Locale.ROOT,
            "a driver or conversion library call failed with its own status 0x%08X", status);
    }
  }

  private static String message(String operation, int status, Throwable cause) {
    String text = operation + " failed with status " + status + ": " + describe(status);
    if (cause != null && cause.getMessage() != null) text += " (" + cause.getMessage() + ")";
    return text;
  }
}

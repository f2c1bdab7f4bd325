package quorvane.test;

import java.util.Arrays;
import java.util.Objects;

/** Assertions for the test suites; a failed one throws {@link AssertionError}. */
public final class Check {
  private Check() {}

  /** Thrown by {@link #skip}: the case cannot run here, and says why. */
  public static final class Skipped extends RuntimeException {
    private static final long serialVersionUID = 1L;

    Skipped(String reason) {
      super(reason);
    }
  }

  /** Code that is expected to throw. */
  public interface Action {
    void run() throws Exception;
  }

  public static void skip(String reason) {
    throw new Skipped(reason);
  }

  public static void fail(String message) {
    throw new AssertionError(message);
  }

  public static void isTrue(boolean condition, String message) {
    if (!condition) throw new AssertionError(message);
  }

  public static void equal(Object expected, Object actual, String what) {
    if (!Objects.equals(expected, actual)) {
      throw new AssertionError(what + ": expected " + expected + ", got " + actual);
    }
  }

  public static void equal(long expected, long actual, String what) {
    if (expected != actual) {
      throw new AssertionError(what + ": expected " + expected + ", got " + actual);
    }
  }

  public static void equal(int[] expected, int[] actual, String what) {
    if (!Arrays.equals(expected, actual)) {
      throw new AssertionError(what + ": expected " + Arrays.toString(expected) + ", got "
          + Arrays.toString(actual));
    }
  }

  public static void contains(String text, String part, String what) {
    if (text == null || !text.contains(part)) {
      throw new AssertionError(what + ": \"" + text + "\" lacks \"" + part + "\"");
    }
  }

  /** Runs the action and returns what it threw, which must be a {@code type}. */
  public static <T extends Throwable> T raises(Class<T> type, Action action, String what) {
    try {
      action.run();
    } catch (Throwable t) {
      if (type.isInstance(t)) return type.cast(t);
      AssertionError e = new AssertionError(what + ": expected " + type.getSimpleName()
          + ", got " + t);
      e.initCause(t);
      throw e;
    }
    throw new AssertionError(what + ": expected " + type.getSimpleName() + ", nothing thrown");
  }
}

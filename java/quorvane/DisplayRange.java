package quorvane;

/**
 * The raw values shown as black ({@link #min()}) and as white ({@link #max()}) in 8-bit,
 * pseudo-colour and colour frames. Raw values are 12-bit, 0..4095. An automatic display
 * range may have {@code min > max}; the library uses it as it is.
 */
public final class DisplayRange {
  /** The whole 12-bit range, 0..4095. */
  public static final DisplayRange FULL = new DisplayRange(0, 4095);

  private final int min;
  private final int max;

  public DisplayRange(int min, int max) {
    this.min = min;
    this.max = max;
  }

  public int min() {
    return min;
  }

  public int max() {
    return max;
  }

  @Override
  public boolean equals(Object o) {
    return o instanceof DisplayRange && ((DisplayRange) o).min == min
        && ((DisplayRange) o).max == max;
  }

  @Override
  public int hashCode() {
    return min * 31 + max;
  }

  @Override
  public String toString() {
    return "DisplayRange[" + min + ".." + max + "]";
  }
}

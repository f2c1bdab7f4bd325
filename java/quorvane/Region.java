package quorvane;

/**
 * A rectangle of a frame, in pixels of that frame: {@code x} and {@code y} of its top
 * left corner ((0, 0) is the frame's top left) and its width and height. A region may
 * reach past the frame; the library then reads only the part inside it.
 */
public final class Region {
  private final int x;
  private final int y;
  private final int width;
  private final int height;

  /**
   * @throws IllegalArgumentException when width or height is negative
   */
  public Region(int x, int y, int width, int height) {
    if (width < 0 || height < 0) {
      throw new IllegalArgumentException("negative region size " + width + " x " + height);
    }
    this.x = x;
    this.y = y;
    this.width = width;
    this.height = height;
  }

  /** The whole of a frame of the given size. */
  public static Region whole(int width, int height) {
    return new Region(0, 0, width, height);
  }

  public int x() {
    return x;
  }

  public int y() {
    return y;
  }

  public int width() {
    return width;
  }

  public int height() {
    return height;
  }

  /**
   * The region as the white balance uses it: each of x, y, width and height rounded
   * toward zero to an even number, so that it covers whole 2 x 2 cells of the colour
   * mosaic.
   */
  public Region roundedToEven() {
    return new Region(even(x), even(y), even(width), even(height));
  }

  private static int even(int value) {
    return (value / 2) * 2;
  }

  /** The region as the native library takes it: {x, y, width, height}. */
  public int[] toArray() {
    return new int[] {x, y, width, height};
  }

  @Override
  public boolean equals(Object o) {
    if (!(o instanceof Region)) return false;
    Region r = (Region) o;
    return x == r.x && y == r.y && width == r.width && height == r.height;
  }

  @Override
  public int hashCode() {
    return ((x * 31 + y) * 31 + width) * 31 + height;
  }

  @Override
  public String toString() {
    return "Region[x=" + x + ", y=" + y + ", width=" + width + ", height=" + height + "]";
  }
}

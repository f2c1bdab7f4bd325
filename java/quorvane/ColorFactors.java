package quorvane;

/**
 * The colour factors: gains of the red, green and blue channel in percent, 100 being
 * neutral. A white balance keeps green at 100 and sets red and blue so that a neutral
 * area looks grey.
 */
public final class ColorFactors {
  /** 100, 100, 100: no correction. */
  public static final ColorFactors NEUTRAL = new ColorFactors(100, 100, 100);

  private final int red;
  private final int green;
  private final int blue;

  public ColorFactors(int red, int green, int blue) {
    this.red = red;
    this.green = green;
    this.blue = blue;
  }

  public int red() {
    return red;
  }

  public int green() {
    return green;
  }

  public int blue() {
    return blue;
  }

  @Override
  public boolean equals(Object o) {
    if (!(o instanceof ColorFactors)) return false;
    ColorFactors f = (ColorFactors) o;
    return red == f.red && green == f.green && blue == f.blue;
  }

  @Override
  public int hashCode() {
    return (red * 31 + green) * 31 + blue;
  }

  @Override
  public String toString() {
    return "ColorFactors[red=" + red + ", green=" + green + ", blue=" + blue + "]";
  }
}

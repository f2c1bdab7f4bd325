package quorvane;

import java.util.Arrays;

/**
 * What {@link Camera#setUp(Settings)} applies: camera mode, binning, exposure and gain,
 * triggered or video mode, colour factors, display range, gamma and saturation.
 * Immutable; made with {@link #builder()} or changed with {@link #toBuilder()}:
 *
 * <pre>{@code
 * Settings s = Settings.builder().exposureMs(10).binning(2, 2).triggered(true).build();
 * Settings brighter = s.toBuilder().displayRange(0, 2000).build();
 * }</pre>
 *
 * <p>The values go to the driver as they are; it is the driver that refuses what it does
 * not support, with its own status from {@code setUp}. {@link #toArray()} gives the
 * 14-element array the native {@code SetUpCamera} takes.
 */
public final class Settings {
  /** Elements of the array {@link #toArray()} makes. */
  public static final int LENGTH = 14;

  /** Index of each element in {@link #toArray()}. */
  static final int MODE = 0;
  static final int HBIN = 1;
  static final int VBIN = 2;
  static final int SETTING3 = 3;
  static final int SETTING4 = 4;
  static final int VIDEO_MODE = 5;
  static final int UNUSED = 6;
  static final int RED = 7;
  static final int GREEN = 8;
  static final int BLUE = 9;
  static final int DISPLAY_MIN = 10;
  static final int DISPLAY_MAX = 11;
  static final int GAMMA_PERCENT = 12;
  static final int SATURATION_PERCENT = 13;

  private final int[] values;

  private Settings(int[] values) {
    this.values = values;
  }

  /** A builder holding the defaults listed at each of its methods. */
  public static Builder builder() {
    return new Builder();
  }

  /** A builder holding these settings, to change some of them. */
  public Builder toBuilder() {
    return new Builder(values);
  }

  /** The 14-element array for the native {@code SetUpCamera}; a new copy each call. */
  public int[] toArray() {
    return values.clone();
  }

  public int mode() {
    return values[MODE];
  }

  public int horizontalBinning() {
    return values[HBIN];
  }

  public int verticalBinning() {
    return values[VBIN];
  }

  public int exposureMs() {
    return values[SETTING3];
  }

  public int gainPercent() {
    return values[SETTING4];
  }

  /** True for triggered mode, false for video mode. */
  public boolean triggered() {
    return values[VIDEO_MODE] == 0;
  }

  public ColorFactors colorFactors() {
    return new ColorFactors(values[RED], values[GREEN], values[BLUE]);
  }

  public DisplayRange displayRange() {
    return new DisplayRange(values[DISPLAY_MIN], values[DISPLAY_MAX]);
  }

  /** Gamma in hundredths: 100 is a gamma of 1.0. */
  public int gammaPercent() {
    return values[GAMMA_PERCENT];
  }

  public int saturationPercent() {
    return values[SATURATION_PERCENT];
  }

  /**
   * The width of frames taken with these settings from a sensor {@code sensorWidth}
   * pixels wide: divided by the horizontal binning (0 counting as 1), rounded down, at
   * least 1, as the simulated driver reports it.
   */
  public int imageWidth(int sensorWidth) {
    return binned(sensorWidth, values[HBIN]);
  }

  /** The height of frames, as {@link #imageWidth(int)}. */
  public int imageHeight(int sensorHeight) {
    return binned(sensorHeight, values[VBIN]);
  }

  private static int binned(int size, int binning) {
    return Math.max(1, size / Math.max(1, binning));
  }

  @Override
  public boolean equals(Object o) {
    return o instanceof Settings && Arrays.equals(values, ((Settings) o).values);
  }

  @Override
  public int hashCode() {
    return Arrays.hashCode(values);
  }

  @Override
  public String toString() {
    return "Settings[mode=" + mode() + ", binning=" + horizontalBinning() + "x"
        + verticalBinning() + ", exposureMs=" + exposureMs() + ", gainPercent=" + gainPercent()
        + ", " + (triggered() ? "triggered" : "video") + ", factors=" + values[RED] + "/"
        + values[GREEN] + "/" + values[BLUE] + ", display=" + values[DISPLAY_MIN] + ".."
        + values[DISPLAY_MAX] + ", gamma=" + values[GAMMA_PERCENT] / 100.0 + ", saturation="
        + values[SATURATION_PERCENT] + "%]";
  }

  /** Builds {@link Settings}; each setter returns the builder. */
  public static final class Builder {
    private final int[] values;

    private Builder() {
      values = new int[LENGTH];
      values[MODE] = 0;
      values[HBIN] = 1;
      values[VBIN] = 1;
      values[SETTING3] = 20;
      values[SETTING4] = 0;
      values[VIDEO_MODE] = 1;
      values[UNUSED] = 0;
      values[RED] = 100;
      values[GREEN] = 100;
      values[BLUE] = 100;
      values[DISPLAY_MIN] = 0;
      values[DISPLAY_MAX] = 4095;
      values[GAMMA_PERCENT] = 100;
      values[SATURATION_PERCENT] = 100;
    }

    private Builder(int[] from) {
      values = from.clone();
    }

    /**
     * Camera mode (element 0). Default 0, which the library takes as mode 3. On the
     * simulator: 1 fast readout, 2 low-noise readout, 3 normal readout.
     */
    public Builder mode(int mode) {
      values[MODE] = mode;
      return this;
    }

    /**
     * Binning across and down (elements 1 and 2): frames are this many times narrower
     * and lower than the sensor. Default 1 and 1. The simulator takes 1, 2 or 4.
     *
     * @throws IllegalArgumentException for a negative binning
     */
    public Builder binning(int horizontal, int vertical) {
      if (horizontal < 0 || vertical < 0) {
        throw new IllegalArgumentException("negative binning " + horizontal + " x " + vertical);
      }
      values[HBIN] = horizontal;
      values[VBIN] = vertical;
      return this;
    }

    /**
     * Element 3, the driver's first camera setting. Default 20. The simulator takes it
     * as the exposure time in milliseconds, 0..60000, 0 meaning as fast as possible.
     */
    public Builder exposureMs(int exposureMs) {
      values[SETTING3] = exposureMs;
      return this;
    }

    /**
     * Element 4, the driver's second camera setting. Default 0. The simulator takes it
     * as the analogue gain in percent, 50..800, 0 meaning unity (100).
     */
    public Builder gainPercent(int gainPercent) {
      values[SETTING4] = gainPercent;
      return this;
    }

    /**
     * Triggered mode, one frame per trigger, or video mode, frames one after another
     * (element 5: 0 for triggered, 1 for video). Default false: video mode.
     */
    public Builder triggered(boolean triggered) {
      values[VIDEO_MODE] = triggered ? 0 : 1;
      return this;
    }

    /** Colour factors (elements 7, 8 and 9). Default 100, 100, 100: neutral. */
    public Builder colorFactors(int red, int green, int blue) {
      values[RED] = red;
      values[GREEN] = green;
      values[BLUE] = blue;
      return this;
    }

    /** Colour factors, for example those a white balance returned. */
    public Builder colorFactors(ColorFactors factors) {
      return colorFactors(factors.red(), factors.green(), factors.blue());
    }

    /**
     * Raw values shown as black and as white (elements 10 and 11). Default 0 and 4095,
     * the whole 12-bit range.
     */
    public Builder displayRange(int min, int max) {
      values[DISPLAY_MIN] = min;
      values[DISPLAY_MAX] = max;
      return this;
    }

    /** Display range, for example one {@link Camera#autoRange} returned. */
    public Builder displayRange(DisplayRange range) {
      return displayRange(range.min(), range.max());
    }

    /**
     * Gamma of the display tables (element 12 holds it times 100, rounded to the
     * nearest hundredth). Default 1.0.
     *
     * @throws IllegalArgumentException unless gamma, rounded, is at least 0.01 and
     *     gamma * 100 fits an int
     */
    public Builder gamma(double gamma) {
      double percent = Math.rint(gamma * 100.0);
      if (!(percent >= 1.0) || percent > Integer.MAX_VALUE) {
        throw new IllegalArgumentException("gamma out of range: " + gamma);
      }
      values[GAMMA_PERCENT] = (int) percent;
      return this;
    }

    /** Colour saturation in percent (element 13). Default 100, colours unchanged. */
    public Builder saturationPercent(int saturationPercent) {
      values[SATURATION_PERCENT] = saturationPercent;
      return this;
    }

    public Settings build() {
      return new Settings(values.clone());
    }
  }
}

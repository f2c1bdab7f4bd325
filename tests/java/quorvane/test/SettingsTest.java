package quorvane.test;

import java.util.function.UnaryOperator;
import quorvane.ColorFactors;
import quorvane.DisplayRange;
import quorvane.Region;
import quorvane.Settings;

/** The settings builder and the region arithmetic; needs no library. */
public final class SettingsTest {
  private static final int[] DEFAULTS = {0, 1, 1, 20, 0, 1, 0, 100, 100, 100, 0, 4095, 100, 100};

  @Test
  public void defaultsAreTheDocumentedFourteenElements() {
    int[] array = Settings.builder().build().toArray();
    Check.equal(14, Settings.LENGTH, "LENGTH");
    Check.equal(DEFAULTS, array, "defaults");
  }

  /** Each setter with the element it must change, and to what; nothing else may change. */
  @Test
  public void eachSetterWritesItsOwnElement() {
    Object[][] cases = {
      {(UnaryOperator<Settings.Builder>) b -> b.mode(2), new int[] {0}, new int[] {2}},
      {(UnaryOperator<Settings.Builder>) b -> b.binning(2, 4), new int[] {1, 2}, new int[] {2, 4}},
      {(UnaryOperator<Settings.Builder>) b -> b.exposureMs(0), new int[] {3}, new int[] {0}},
      {(UnaryOperator<Settings.Builder>) b -> b.gainPercent(400), new int[] {4}, new int[] {400}},
      {(UnaryOperator<Settings.Builder>) b -> b.triggered(true), new int[] {5}, new int[] {0}},
      {(UnaryOperator<Settings.Builder>) b -> b.colorFactors(80, 101, 120), new int[] {7, 8, 9},
          new int[] {80, 101, 120}},
      {(UnaryOperator<Settings.Builder>) b -> b.colorFactors(new ColorFactors(1, 2, 3)),
          new int[] {7, 8, 9}, new int[] {1, 2, 3}},
      {(UnaryOperator<Settings.Builder>) b -> b.displayRange(200, 3000), new int[] {10, 11},
          new int[] {200, 3000}},
      {(UnaryOperator<Settings.Builder>) b -> b.displayRange(new DisplayRange(3000, 200)),
          new int[] {10, 11}, new int[] {3000, 200}},
      {(UnaryOperator<Settings.Builder>) b -> b.gamma(1.5), new int[] {12}, new int[] {150}},
      {(UnaryOperator<Settings.Builder>) b -> b.gamma(0.45), new int[] {12}, new int[] {45}},
      {(UnaryOperator<Settings.Builder>) b -> b.gamma(2.2), new int[] {12}, new int[] {220}},
      {(UnaryOperator<Settings.Builder>) b -> b.saturationPercent(80), new int[] {13},
          new int[] {80}},
    };
    for (Object[] c : cases) {
      @SuppressWarnings("unchecked")
      UnaryOperator<Settings.Builder> setter = (UnaryOperator<Settings.Builder>) c[0];
      int[] indices = (int[]) c[1];
      int[] values = (int[]) c[2];
      int[] expected = DEFAULTS.clone();
      for (int i = 0; i < indices.length; i++) expected[indices[i]] = values[i];
      int[] actual = setter.apply(Settings.builder()).build().toArray();
      Check.equal(expected, actual, "elements " + java.util.Arrays.toString(indices));
    }
  }

  @Test
  public void triggeredFalseIsVideoModeOne() {
    Settings s = Settings.builder().triggered(true).triggered(false).build();
    Check.equal(1, s.toArray()[5], "element 5");
    Check.isTrue(!s.triggered(), "video mode");
  }

  @Test
  public void settingsAreImmutableAndTheArrayIsACopy() {
    Settings.Builder builder = Settings.builder();
    Settings s = builder.build();
    s.toArray()[11] = 7;
    builder.displayRange(1, 2);
    Check.equal(DEFAULTS, s.toArray(), "after changing a copy and the builder");
    Settings changed = s.toBuilder().exposureMs(5).build();
    Check.equal(20, s.exposureMs(), "original exposure");
    Check.equal(5, changed.exposureMs(), "changed exposure");
    Check.equal(s, Settings.builder().build(), "equal to fresh defaults");
  }

  @Test
  public void gettersReadTheirElements() {
    Settings s = Settings.builder().mode(1).binning(2, 4).exposureMs(7).gainPercent(200)
        .triggered(true).colorFactors(90, 100, 110).displayRange(10, 20).gamma(1.2)
        .saturationPercent(50).build();
    Check.equal(1, s.mode(), "mode");
    Check.equal(2, s.horizontalBinning(), "hbin");
    Check.equal(4, s.verticalBinning(), "vbin");
    Check.equal(7, s.exposureMs(), "exposure");
    Check.equal(200, s.gainPercent(), "gain");
    Check.isTrue(s.triggered(), "triggered");
    Check.equal(new ColorFactors(90, 100, 110), s.colorFactors(), "factors");
    Check.equal(new DisplayRange(10, 20), s.displayRange(), "range");
    Check.equal(120, s.gammaPercent(), "gamma");
    Check.equal(50, s.saturationPercent(), "saturation");
  }

  @Test
  public void badValuesAreRefusedInJava() {
    double[] gammas = {0.0, -1.0, 0.004, Double.NaN, Double.POSITIVE_INFINITY, 3e7};
    for (double g : gammas) {
      Check.raises(IllegalArgumentException.class, () -> Settings.builder().gamma(g),
          "gamma " + g);
    }
    Check.raises(IllegalArgumentException.class, () -> Settings.builder().binning(-1, 1),
        "negative binning");
    Check.raises(IllegalArgumentException.class, () -> new Region(0, 0, -1, 4),
        "negative width");
  }

  @Test
  public void imageSizeFollowsTheBinning() {
    int[][] cases = {
      // binning across, down, expected width and height of a 1392 x 1040 sensor
      {1, 1, 1392, 1040}, {0, 0, 1392, 1040}, {2, 2, 696, 520}, {4, 2, 348, 520},
    };
    for (int[] c : cases) {
      Settings s = Settings.builder().binning(c[0], c[1]).build();
      Check.equal(c[2], s.imageWidth(1392), "width with binning " + c[0]);
      Check.equal(c[3], s.imageHeight(1040), "height with binning " + c[1]);
    }
    Check.equal(1, Settings.builder().binning(4, 4).build().imageWidth(3), "at least 1");
  }

  @Test
  public void regionsRoundTowardZeroToEven() {
    int[][] cases = {
      {3, 5, 11, 7, 2, 4, 10, 6},
      {-3, -1, 2, 0, -2, 0, 2, 0},
      {4, 6, 8, 10, 4, 6, 8, 10},
    };
    for (int[] c : cases) {
      Region r = new Region(c[0], c[1], c[2], c[3]).roundedToEven();
      Check.equal(new int[] {c[4], c[5], c[6], c[7]}, r.toArray(), "rounding " + c[0]);
    }
  }
}

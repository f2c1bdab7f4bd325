package quorvane.test;

import java.awt.image.BufferedImage;
import java.awt.image.DataBufferByte;
import quorvane.Camera;
import quorvane.ColorFactors;
import quorvane.DisplayRange;
import quorvane.Region;
import quorvane.Settings;

/**
 * White balance and automatic display range on the simulated colour camera and its
 * structured scene under a warm light. Run with QVSIM_COLOR=1.
 */
public final class ColorCameraTest {
  /** The middle of the scene's neutral grey patch, in fractions of the frame. */
  private static Region greyPatch(Camera camera) {
    int w = camera.imageWidth();
    int h = camera.imageHeight();
    return new Region((int) (0.86 * w) + 1, (int) (0.20 * h) + 1, (int) (0.08 * w) + 1,
        (int) (0.20 * h) + 1);
  }

  private static double[] means(BufferedImage image, Region r) {
    double[] sums = new double[3];
    for (int y = r.y(); y < r.y() + r.height(); y++) {
      for (int x = r.x(); x < r.x() + r.width(); x++) {
        int p = image.getRGB(x, y);
        sums[0] += (p >> 16) & 0xFF;
        sums[1] += (p >> 8) & 0xFF;
        sums[2] += p & 0xFF;
      }
    }
    int n = r.width() * r.height();
    return new double[] {sums[0] / n, sums[1] / n, sums[2] / n};
  }

  @Test
  public void whiteBalanceMakesTheGreyPatchNeutral() throws Exception {
    try (Camera camera = Camera.open()) {
      Check.isTrue(camera.isColor(), "colour camera");
      camera.setUp(Settings.builder().build());
      Region patch = greyPatch(camera);
      double[] before = means(camera.acquireRgb(), patch);
      Check.isTrue(before[0] > before[1] * 1.15 && before[1] > before[2] * 1.15,
          "warm cast before: " + java.util.Arrays.toString(before));

      ColorFactors f = camera.whiteBalance(patch);
      Check.equal(100, f.green(), "green factor");
      Check.isTrue(f.red() < 100 && f.blue() > 100, "factors against a warm light: " + f);
      Check.equal(f, camera.settings().colorFactors(), "factors kept in the settings");

      double[] after = means(camera.acquireRgb(), patch);
      for (int c = 0; c < 3; c++) {
        Check.isTrue(Math.abs(after[c] - after[1]) < 0.05 * after[1],
            "neutral after: " + java.util.Arrays.toString(after));
      }
      // The factors survive a set-up made from the camera's settings.
      camera.setUp(camera.settings().toBuilder().gamma(1.0).build());
      double[] again = means(camera.acquireRgb(), patch);
      Check.isTrue(Math.abs(again[0] - again[2]) < 0.05 * again[1],
          "neutral after a new set-up: " + java.util.Arrays.toString(again));
    }
  }

  @Test
  public void autoRangeStretchesTheFollowingFrames() throws Exception {
    try (Camera camera = Camera.open()) {
      camera.setUp(Settings.builder().build());
      double before = meanOf(camera.acquireGray());
      DisplayRange range = camera.autoRange(camera.wholeImage(), true);
      Check.isTrue(range.min() > 32 && range.max() < 4000 && range.min() < range.max(),
          "a tenth cut off each end of the scene: " + range);
      double after = meanOf(camera.acquireGray());
      Check.isTrue(after > before + 5, "stretched: mean " + before + " then " + after);
    }
  }

  private static double meanOf(BufferedImage grey) {
    byte[] pixels = ((DataBufferByte) grey.getRaster().getDataBuffer()).getData();
    long sum = 0;
    for (byte b : pixels) sum += b & 0xFF;
    return (double) sum / pixels.length;
  }
}

package quorvane.test;

import java.awt.GraphicsEnvironment;
import java.awt.image.BufferedImage;
import java.io.File;
import java.util.HashSet;
import java.util.Set;
import javax.imageio.ImageIO;
import quorvane.Camera;
import quorvane.DisplayRange;
import quorvane.Region;
import quorvane.viewer.Viewer;

/**
 * The live viewer in a real window on an X server (Xvfb under CTest), on the simulated
 * colour camera: frames come, Auto range and White balance answer, a screenshot shows the
 * frame, and closing it releases the camera. Run with QVSIM_COLOR=1.
 */
public final class ViewerTest {
  /** Bounds a wait, so that a hang fails the case instead of the whole run. */
  private static final long WAIT_MS = 60_000;

  @Test
  public void showsFramesAndAnswersItsButtons() throws Exception {
    if (GraphicsEnvironment.isHeadless()) {
      Check.skip("no X display: install the Debian packages xvfb and xauth so that CTest runs"
          + " this under xvfb-run, or set DISPLAY");
    }
    Viewer viewer = Viewer.start(20);
    try {
      Check.isTrue(viewer.awaitFrames(3, WAIT_MS), "frames shown: " + viewer.lastError());
      Check.equal(DisplayRange.FULL, viewer.displayRange(), "range before Auto range");

      int actions = viewer.actionsDone();
      viewer.pressAutoRange();
      Check.isTrue(viewer.awaitActions(actions + 1, WAIT_MS), "Auto range answered");
      DisplayRange range = viewer.displayRange();
      Check.isTrue(range.min() > 0 && range.max() < 4095, "sliders moved: " + range);
      Check.contains(viewer.statusText(), "Auto range over the frame: " + range.min() + ".."
          + range.max(), "status line");

      // The grey patch of the 640 x 480 simulated sensor.
      viewer.selectRegion(new Region(552, 96, 50, 96));
      viewer.pressWhiteBalance();
      Check.isTrue(viewer.awaitActions(actions + 2, WAIT_MS), "White balance answered");
      Check.contains(viewer.statusText(), "White balance: red ", "status line");
      Check.equal(null, viewer.lastError(), "no failure");

      int shown = viewer.framesShown();
      Check.isTrue(viewer.awaitFrames(shown + 3, WAIT_MS), "frames go on after the buttons");
      BufferedImage shot = viewer.screenshot();
      String out = System.getProperty("quorvane.test.screenshot");
      if (out != null) ImageIO.write(shot, "png", new File(out));
      checkNotBlank(shot);
    } finally {
      viewer.close();
    }
    // Closing the viewer released the camera: it can be opened again.
    Camera.open().close();
  }

  /** Many colours over the window, and the frame's detail in its left part. */
  private static void checkNotBlank(BufferedImage shot) {
    Check.isTrue(shot.getWidth() > 300 && shot.getHeight() > 200,
        "screenshot size " + shot.getWidth() + " x " + shot.getHeight());
    Set<Integer> colours = new HashSet<>();
    double sum = 0;
    double squares = 0;
    int n = 0;
    for (int y = 0; y < shot.getHeight(); y += 2) {
      for (int x = 0; x < shot.getWidth() / 2; x += 2) {
        int p = shot.getRGB(x, y) & 0xFFFFFF;
        colours.add(p);
        double grey = ((p >> 16) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3.0;
        sum += grey;
        squares += grey * grey;
        n++;
      }
    }
    double mean = sum / n;
    double deviation = Math.sqrt(squares / n - mean * mean);
    Check.isTrue(colours.size() > 200, "colours in the image area: " + colours.size());
    Check.isTrue(deviation > 20, "brightness deviation in the image area: " + deviation);
  }
}

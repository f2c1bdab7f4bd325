package quorvane.test;

import java.awt.image.BufferedImage;
import java.util.ArrayList;
import java.util.List;
import quorvane.Camera;
import quorvane.CameraException;
import quorvane.ColorFactors;
import quorvane.DisplayRange;
import quorvane.Region;
import quorvane.Settings;

/**
 * The camera API on the simulated monochrome camera in pattern mode, where pixel (x, y)
 * of frame f is (7x + 13y + 5f) mod 4096. Run with QVSIM_PATTERN=1, QVSIM_WIDTH=320 and
 * QVSIM_HEIGHT=240.
 */
public final class CameraTest {
  private static final int WIDTH = 320;
  private static final int HEIGHT = 240;

  /** Fails unless the frame is the pattern of some frame number at the given width. */
  private static void checkPattern(short[] frame, int width, int height) {
    Check.equal((long) width * height, frame.length, "frame length");
    int base = frame[0];
    for (int y = 0; y < height; y++) {
      for (int x = 0; x < width; x++) {
        int expected = (base + 7 * x + 13 * y) & 0xFFF;
        if (frame[y * width + x] != expected) {
          Check.fail("pixel (" + x + ", " + y + ") of a " + width + "-wide frame is "
              + frame[y * width + x] + ", not " + expected);
        }
      }
    }
  }

  @Test
  public void oneCameraAtATimeAndNoUseAfterClose() throws Throwable {
    Camera camera = Camera.open();
    try {
      Check.equal(WIDTH, camera.sensorWidth(), "sensor width");
      Check.equal(HEIGHT, camera.sensorHeight(), "sensor height");
      Check.isTrue(!camera.isColor(), "monochrome");
      Check.raises(IllegalStateException.class, Camera::open, "second open");
      // Before a set-up no frame can come: refused at once instead of 15 waits.
      Check.raises(IllegalStateException.class, camera::acquireRaw, "acquire before setUp");
    } finally {
      camera.close();
    }
    camera.close();
    Check.isTrue(camera.isClosed(), "closed");
    Check.raises(IllegalStateException.class, () -> camera.setUp(Settings.builder().build()),
        "setUp after close");
    Check.raises(IllegalStateException.class, () -> camera.autoRange(Region.whole(4, 4), false),
        "autoRange after close");
    Check.equal(CameraException.NOT_LOADED, Raw.releaseCamera(), "nothing loaded after close");
    Camera.open().close();
  }

  @Test
  public void framesHaveTheSizeOfTheSetUp() throws Exception {
    try (Camera camera = Camera.open()) {
      camera.setUp(Settings.builder().build());
      checkPattern(camera.acquireRaw(), WIDTH, HEIGHT);
      BufferedImage grey = camera.acquireGray();
      Check.equal(BufferedImage.TYPE_BYTE_GRAY, grey.getType(), "grey type");
      Check.equal(WIDTH * HEIGHT, grey.getWidth() * grey.getHeight(), "grey size");
      BufferedImage rgb = camera.acquireRgb();
      Check.equal(BufferedImage.TYPE_INT_RGB, rgb.getType(), "rgb type");
      Check.isTrue(rgb.getRGB(0, 0) != rgb.getRGB(100, 100), "pseudo-colour varies");

      // A binned frame has its own width as its stride.
      camera.setUp(Settings.builder().binning(2, 4).build());
      Check.equal(WIDTH / 2, camera.imageWidth(), "binned width");
      Check.equal(HEIGHT / 4, camera.imageHeight(), "binned height");
      checkPattern(camera.acquireRaw(), WIDTH / 2, HEIGHT / 4);
      Check.equal(WIDTH / 2, camera.acquireGray().getWidth(), "binned grey width");

      // Arrays and images that do not fit the frame are refused before any native call.
      Check.raises(IllegalArgumentException.class,
          () -> camera.acquireRaw(new short[WIDTH / 2 * HEIGHT / 4 - 1]), "short array");
      Check.raises(IllegalArgumentException.class,
          () -> camera.acquireGray(new BufferedImage(WIDTH / 2, HEIGHT / 4,
              BufferedImage.TYPE_INT_RGB)), "wrong image type");
      Check.raises(IllegalArgumentException.class,
          () -> camera.acquireRgb(new BufferedImage(WIDTH, HEIGHT, BufferedImage.TYPE_INT_RGB)),
          "wrong image size");
      BufferedImage big = new BufferedImage(WIDTH, HEIGHT, BufferedImage.TYPE_BYTE_GRAY);
      Check.raises(IllegalArgumentException.class,
          () -> camera.acquireGray(big.getSubimage(8, 8, WIDTH / 2, HEIGHT / 4)), "sub-image");
      BufferedImage reused = new BufferedImage(WIDTH / 2, HEIGHT / 4,
          BufferedImage.TYPE_BYTE_GRAY);
      camera.acquireGray(reused);
      camera.acquireGray(reused);
    }
  }

  @Test
  public void aFailedSetUpReportsTheDriverStatusAndStopsTheCamera() throws Throwable {
    try (Camera camera = Camera.open()) {
      Object[][] cases = {
        {Settings.builder().binning(3, 1).build(), 0x80441004},
        {Settings.builder().mode(9).build(), 0x80441005},
      };
      for (Object[] c : cases) {
        Settings bad = (Settings) c[0];
        int status = (Integer) c[1];
        CameraException e = Check.raises(CameraException.class, () -> camera.setUp(bad),
            "setUp " + bad);
        Check.equal(status, e.status(), "status of " + bad);
        Check.equal("SetUpCamera", e.operation(), "operation");
        Check.contains(e.getMessage(), String.format("0x%08X", status), "message");
        Check.isTrue(!camera.isRunning(), "not running after a failed set-up");
        Check.raises(IllegalStateException.class, camera::acquireRaw, "acquire after failure");
      }
      Settings good = Settings.builder().build();
      camera.setUp(good);
      Check.equal(good, camera.settings(), "settings of the good set-up");
      checkPattern(camera.acquireRaw(), WIDTH, HEIGHT);
      // A null or short array is refused by the library itself.
      Check.equal(CameraException.BAD_SETTINGS, Raw.setUpCamera(new int[13]), "13 elements");
      Check.equal(CameraException.BAD_SETTINGS, Raw.setUpCamera(null), "null settings");
    }
  }

  @Test
  public void triggeredFramesAndStop() throws Exception {
    try (Camera camera = Camera.open()) {
      camera.setUp(Settings.builder().triggered(true).build());
      camera.trigger();
      checkPattern(camera.acquireRaw(), WIDTH, HEIGHT);
      checkPattern(camera.acquireRaw(), WIDTH, HEIGHT); // triggered by the acquisition itself
      camera.stop();
      Check.isTrue(!camera.isRunning(), "stopped");
      Check.raises(IllegalStateException.class, camera::acquireGray, "acquire after stop");
    }
  }

  @Test
  public void autoRangeAndWhiteBalanceResultsStayInTheSettings() throws Exception {
    try (Camera camera = Camera.open()) {
      camera.setUp(Settings.builder().colorFactors(50, 100, 150).build());
      camera.acquireRaw();
      // 50 pixels never exceed the threshold of 50: the full range.
      Check.equal(DisplayRange.FULL, camera.autoRange(new Region(0, 0, 5, 10), false),
          "50 pixels");
      DisplayRange range = camera.autoRange(camera.wholeImage(), false);
      Check.isTrue(range.min() > 0 && range.max() < 4095 && range.min() < range.max(),
          "range of the pattern " + range);
      Check.equal(range, camera.settings().displayRange(), "range kept in the settings");

      // A failed white balance sets the factors back to neutral.
      CameraException e = Check.raises(CameraException.class,
          () -> camera.whiteBalance(new Region(10_000, 10_000, 8, 8)), "outside the frame");
      Check.equal(CameraException.WHITE_BALANCE_FAILED, e.status(), "status");
      Check.equal("WhiteBalance", e.operation(), "operation");
      Check.equal(ColorFactors.NEUTRAL, camera.settings().colorFactors(), "factors neutral");
      Check.equal(range, camera.settings().displayRange(), "range still kept");
      camera.setUp(camera.settings());
      checkPattern(camera.acquireRaw(), WIDTH, HEIGHT);
    }
  }

  @Test
  public void tryWithResourcesReleasesTheCamera() throws Throwable {
    Camera[] seen = new Camera[1];
    try (Camera camera = Camera.open()) {
      seen[0] = camera;
    }
    Check.isTrue(seen[0].isClosed(), "closed after the block");
    Check.equal(CameraException.NOT_LOADED, Raw.releaseCamera(), "released after the block");

    try (Camera camera = Camera.open()) {
      seen[0] = camera;
      camera.setUp(Settings.builder().binning(3, 3).build());
      Check.fail("the set-up should have failed");
    } catch (CameraException expected) {
      Check.equal(0x80441004, expected.status(), "status");
    }
    Check.isTrue(seen[0].isClosed(), "closed after a camera failure");
    Check.equal(CameraException.NOT_LOADED, Raw.releaseCamera(), "released after a failure");

    Check.raises(IllegalStateException.class, () -> {
      try (Camera camera = Camera.open()) {
        seen[0] = camera;
        throw new IllegalStateException("program failure");
      }
    }, "exception out of the block");
    Check.isTrue(seen[0].isClosed(), "closed after a program failure");
    Check.equal(CameraException.NOT_LOADED, Raw.releaseCamera(), "released after it");
  }

  @Test
  public void callsFromSeveralThreadsAreSerialised() throws Exception {
    try (Camera camera = Camera.open()) {
      camera.setUp(Settings.builder().build());
      List<Throwable> failures = new ArrayList<>();
      List<Thread> threads = new ArrayList<>();
      for (int t = 0; t < 3; t++) {
        boolean ranging = t == 2;
        threads.add(new Thread(() -> {
          try {
            for (int i = 0; i < 8; i++) {
              if (ranging) {
                camera.autoRange(camera.wholeImage(), i % 2 == 0);
              } else {
                checkPattern(camera.acquireRaw(), WIDTH, HEIGHT);
              }
            }
          } catch (Throwable e) {
            synchronized (failures) {
              failures.add(e);
            }
          }
        }));
      }
      for (Thread t : threads) t.start();
      for (Thread t : threads) t.join();
      if (!failures.isEmpty()) throw new AssertionError(failures.get(0));
    }
  }
}

package quorvane.test;

import quorvane.Camera;
import quorvane.CameraException;
import quorvane.Settings;

/**
 * Failures that need a process of their own: each case checks what the environment of
 * its CTest entry provokes, named by the system property {@code quorvane.test.failure}:
 * <ul>
 *   <li>{@code not-loaded}: the library file lies alone, without vendor libraries;
 *   <li>{@code missing-entry}: the driver beside it lacks INITBOARD;
 *   <li>{@code init}: QVSIM_WIDTH=0 makes the driver refuse to open the board;
 *   <li>{@code oversize}: QVSIM_OVERSIZE makes every image larger than the buffer.
 * </ul>
 */
public final class FailureTest {
  private static String failure() {
    return System.getProperty("quorvane.test.failure", "");
  }

  /** Camera.open must fail with this status, and leave nothing loaded or open. */
  private static void openFails(int status, String meaning) throws Throwable {
    for (int attempt = 1; attempt <= 2; attempt++) {
      CameraException e = Check.raises(CameraException.class, Camera::open, "open " + attempt);
      Check.equal(status, e.status(), "status");
      Check.equal("InitCamera", e.operation(), "operation");
      Check.contains(e.getMessage(), "InitCamera failed with status " + status, "message");
      Check.contains(e.getMessage(), meaning, "meaning");
      Check.equal(CameraException.NOT_LOADED, Raw.releaseCamera(), "released after failure");
    }
  }

  @Test
  public void provokedFailure() throws Throwable {
    switch (failure()) {
      case "not-loaded":
        openFails(CameraException.NOT_LOADED, "could not be loaded");
        // Without a driver the calls that need it report so and call nothing.
        Check.equal(CameraException.NOT_LOADED, Raw.setUpCamera(new int[14]), "SetUpCamera");
        Check.equal(CameraException.NOT_LOADED, Raw.runCocAsVideo(), "RunCOCAsVIDEO");
        Check.equal(CameraException.NOT_LOADED, Raw.stopCoc(), "StopCOC");
        Check.equal(CameraException.FRAME_INCOMPLETE, Raw.acquire(new short[16]), "Acquire");
        break;
      case "missing-entry":
        openFails(CameraException.MISSING_ENTRY_POINT, "lacks a required entry point");
        break;
      case "init":
        openFails(0x8044100C, "failed with its own status 0x8044100C");
        break;
      case "oversize":
        try (Camera camera = Camera.open()) {
          camera.setUp(Settings.builder().build());
          CameraException raw = Check.raises(CameraException.class, camera::acquireRaw, "raw");
          Check.equal(CameraException.FRAME_INCOMPLETE, raw.status(), "raw status");
          Check.contains(raw.getMessage(), "Acquire failed with status -54: the frame was not"
              + " completed", "raw message");
          CameraException grey = Check.raises(CameraException.class, camera::acquireGray, "8-bit");
          Check.equal("Acquire8", grey.operation(), "8-bit operation");
          CameraException rgb = Check.raises(CameraException.class, camera::acquireRgb, "rgb");
          Check.equal("AcquireRGB", rgb.operation(), "rgb operation");
          Check.isTrue(camera.isRunning(), "still running: the next frame may come");
        }
        Check.equal(CameraException.NOT_LOADED, Raw.releaseCamera(), "released");
        break;
      default:
        Check.fail("set quorvane.test.failure to the failure to provoke, not '" + failure() + "'");
    }
  }
}

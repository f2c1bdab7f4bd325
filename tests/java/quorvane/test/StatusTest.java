package quorvane.test;

import java.nio.file.Path;
import quorvane.Camera;
import quorvane.CameraException;

/** The status codes and the messages of {@link CameraException}; needs no library. */
public final class StatusTest {
  /** Every code the library documents, with a part of its meaning. */
  private static final Object[][] CODES = {
    {0, "success"},
    {-54, "the frame was not completed"},
    {-56, "a library could not be loaded"},
    {-57, "the settings array is null or shorter than 14 elements"},
    {1, "a vendor library lacks a required entry point"},
    {-1609420799, "the white balance failed"},
    {0x80441004, "a driver or conversion library call failed with its own status 0x80441004"},
    {7, "a driver or conversion library call failed with its own status 0x00000007"},
    {-1, "a driver or conversion library call failed with its own status 0xFFFFFFFF"},
  };

  @Test
  public void constantsAreTheLibrarysCodes() {
    Check.equal(0, CameraException.OK, "OK");
    Check.equal(-54, CameraException.FRAME_INCOMPLETE, "FRAME_INCOMPLETE");
    Check.equal(-56, CameraException.NOT_LOADED, "NOT_LOADED");
    Check.equal(-57, CameraException.BAD_SETTINGS, "BAD_SETTINGS");
    Check.equal(1, CameraException.MISSING_ENTRY_POINT, "MISSING_ENTRY_POINT");
    Check.equal(-1609420799, CameraException.WHITE_BALANCE_FAILED, "WHITE_BALANCE_FAILED");
  }

  @Test
  public void everyCodeHasItsMeaningInTheMessage() {
    for (Object[] row : CODES) {
      int status = (Integer) row[0];
      String meaning = (String) row[1];
      CameraException e = new CameraException("SetUpCamera", status);
      Check.equal(status, e.status(), "status of " + status);
      Check.equal("SetUpCamera", e.operation(), "operation of " + status);
      Check.contains(e.meaning(), meaning, "meaning of " + status);
      Check.equal(CameraException.describe(status), e.meaning(), "describe(" + status + ")");
      Check.contains(e.getMessage(), "SetUpCamera failed with status " + status + ": " + meaning,
          "message of " + status);
    }
  }

  @Test
  public void theCauseGoesIntoTheMessage() {
    CameraException e = new CameraException("loading", -56, new UnsatisfiedLinkError("no file"));
    Check.contains(e.getMessage(), "(no file)", "message");
    Check.isTrue(e.getCause() instanceof UnsatisfiedLinkError, "cause kept");
  }

  @Test
  public void aLibraryFileThatCannotBeLoadedIsNotLoaded() {
    CameraException e = Check.raises(CameraException.class,
        () -> Camera.loadLibrary(Path.of("no-such-folder", "libQuorvaneNative.so")), "load");
    Check.equal(CameraException.NOT_LOADED, e.status(), "status");
    Check.isTrue(e.getCause() instanceof UnsatisfiedLinkError, "cause: " + e.getCause());
    Check.contains(e.getMessage(), "no-such-folder", "message names the file");
  }
}

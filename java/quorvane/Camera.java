package quorvane;

import java.awt.image.BufferedImage;
import java.awt.image.DataBuffer;
import java.awt.image.DataBufferByte;
import java.awt.image.DataBufferInt;
import java.awt.image.WritableRaster;
import java.nio.file.Path;
import java.util.Objects;

/**
 * The camera, through the native library QuorvaneNative.
 *
 * <pre>{@code
 * try (Camera camera = Camera.open()) {
 *   camera.setUp(Settings.builder().exposureMs(10).build());
 *   short[] raw = camera.acquireRaw();                 // 12-bit values, row after row
 *   camera.autoRange(camera.wholeImage(), false);      // display range from that frame
 *   BufferedImage grey = camera.acquireGray();         // TYPE_BYTE_GRAY
 *   BufferedImage colour = camera.acquireRgb();        // TYPE_INT_RGB
 * } catch (CameraException e) {
 *   System.err.println(e.getMessage() + " (status " + e.status() + ")");
 * }
 * }</pre>
 *
 * <p><b>One camera per process.</b> The library drives one camera with process-wide
 * state, so at most one {@code Camera} is open at a time; {@link #close()} releases it
 * and the libraries it loaded, after which another can be opened.
 *
 * <p><b>Threads.</b> Every method may be called from any thread: all native calls of this
 * package are serialised by one lock, so a call waits while another thread's call is
 * under way. Calls block: an acquisition waits up to 2000 ms per wait in video mode and
 * 5000 ms in triggered mode, at most 15 times, before it fails; {@link #setUp} takes at
 * least 1200 ms. In a user interface, call them from a worker thread, never from the
 * event thread.
 *
 * <p><b>Frames.</b> Before the first successful {@link #setUp}, after {@link #stop()}
 * and after a failed {@code setUp} the camera is not running, and acquisitions throw
 * {@link IllegalStateException} instead of waiting for frames that cannot come. Frames
 * are {@link #imageWidth()} x {@link #imageHeight()} pixels, row after row from the top.
 *
 * <p><b>Library.</b> {@link #open()} loads QuorvaneNative first if needed: from the file
 * given to {@link #loadLibrary(Path)}, else from the file named by the system property
 * {@code quorvane.library}, else by name through {@code java.library.path}. The driver
 * and conversion libraries must lie beside it.
 */
public final class Camera implements AutoCloseable {
  private static Camera current; // guarded by Native.LOCK

  private final int sensorWidth;
  private final int sensorHeight;
  private final boolean color;

  // All guarded by Native.LOCK.
  private boolean closed;
  private boolean running;
  private Settings settings;
  private int imageWidth;
  private int imageHeight;

  private Camera(int sensorWidth, int sensorHeight, boolean color) {
    this.sensorWidth = sensorWidth;
    this.sensorHeight = sensorHeight;
    this.color = color;
    this.settings = Settings.builder().build();
    this.imageWidth = sensorWidth;
    this.imageHeight = sensorHeight;
  }

  /**
   * Loads QuorvaneNative from the given file, if no library is loaded yet. Optional: call
   * before {@link #open()} to use a library that is not on {@code java.library.path}.
   *
   * @throws CameraException with status -56 when the file cannot be loaded
   */
  public static void loadLibrary(Path file) throws CameraException {
    Native.load(Objects.requireNonNull(file, "file"));
  }

  /**
   * Loads the library if needed and brings the camera up ({@code InitCamera}). When that
   * fails, whatever it had loaded is released again before the exception is thrown.
   *
   * @throws CameraException with the status of the failing step
   * @throws IllegalStateException when a camera is open already
   */
  public static Camera open() throws CameraException {
    Native.load(null);
    Native.LOCK.lock();
    try {
      if (current != null) {
        throw new IllegalStateException("a camera is open already; close it first");
      }
      int[] result = Native.initCamera();
      if (result == null || result.length < 4) {
        Native.releaseCamera();
        throw new IllegalStateException("InitCamera returned no result");
      }
      if (result[0] != CameraException.OK) {
        Native.releaseCamera();
        throw new CameraException("InitCamera", result[0]);
      }
      current = new Camera(result[1], result[2], result[3] != 0);
      return current;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /** Full sensor width in pixels, as {@code InitCamera} reported it. */
  public int sensorWidth() {
    return sensorWidth;
  }

  /** Full sensor height in pixels, as {@code InitCamera} reported it. */
  public int sensorHeight() {
    return sensorHeight;
  }

  /**
   * True for a colour sensor (an RGGB mosaic; {@link #acquireRgb()} gives colour), false
   * for a monochrome one ({@link #acquireRgb()} gives pseudo-colour).
   */
  public boolean isColor() {
    return color;
  }

  /** Width of the frames taken now: the sensor width divided by the binning. */
  public int imageWidth() {
    Native.LOCK.lock();
    try {
      return imageWidth;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /** Height of the frames taken now: the sensor height divided by the binning. */
  public int imageHeight() {
    Native.LOCK.lock();
    try {
      return imageHeight;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /** The whole of the frames taken now, as a region. */
  public Region wholeImage() {
    Native.LOCK.lock();
    try {
      return Region.whole(imageWidth, imageHeight);
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * The settings the library works with now: those of the last successful
   * {@link #setUp}, with the display range of a later {@link #autoRange} and the colour
   * factors of a later {@link #whiteBalance} put in. Before the first set-up, the
   * defaults of {@link Settings#builder()}. Pass them, changed, to the next set-up to keep
   * an automatic display range or a white balance.
   */
  public Settings settings() {
    Native.LOCK.lock();
    try {
      return settings;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /** True after a successful {@link #setUp} until {@link #stop()} or a failed set-up. */
  public boolean isRunning() {
    Native.LOCK.lock();
    try {
      return running;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Applies the settings and starts the camera ({@code SetUpCamera}). Blocks for at least
   * 1200 ms; in triggered mode it also takes and discards two frames.
   *
   * @throws CameraException with the driver's status; the camera is then not running
   */
  public void setUp(Settings newSettings) throws CameraException {
    Objects.requireNonNull(newSettings, "settings");
    Native.LOCK.lock();
    try {
      checkOpen();
      running = false;
      int status = Native.setUpCamera(newSettings.toArray());
      if (status != CameraException.OK) throw new CameraException("SetUpCamera", status);
      settings = newSettings;
      imageWidth = newSettings.imageWidth(sensorWidth);
      imageHeight = newSettings.imageHeight(sensorHeight);
      running = true;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * In triggered mode sends one software trigger ({@code RunCOCAsVIDEO}), starting an
   * exposure; in video mode does nothing. Not needed to take a frame: an acquisition in
   * triggered mode triggers by itself.
   *
   * @throws CameraException when the trigger fails
   */
  public void trigger() throws CameraException {
    Native.LOCK.lock();
    try {
      checkOpen();
      if (!settings.triggered()) return;
      int status = Native.runCocAsVideo();
      if (status != CameraException.OK) throw new CameraException("RunCOCAsVIDEO", status);
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Stops the camera ({@code StopCOC}). Frames can be taken again after the next
   * {@link #setUp}.
   *
   * @throws CameraException when the driver fails to stop it
   */
  public void stop() throws CameraException {
    Native.LOCK.lock();
    try {
      checkOpen();
      int status = Native.stopCoc();
      if (status != CameraException.OK) throw new CameraException("StopCOC", status);
      running = false;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Takes one frame of raw 12-bit values (0..4095) into a new array of
   * {@code imageWidth() * imageHeight()} elements.
   *
   * @throws CameraException with status -54 when no frame came
   * @throws IllegalStateException when the camera is closed or not running
   */
  public short[] acquireRaw() throws CameraException {
    Native.LOCK.lock();
    try {
      short[] frame = new short[checkRunning()];
      acquireRaw(frame);
      return frame;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Takes one frame of raw 12-bit values into {@code frame}, which holds at least
   * {@code imageWidth() * imageHeight()} elements.
   *
   * @throws CameraException with status -54 when no frame came
   * @throws IllegalArgumentException when the array is too short
   * @throws IllegalStateException when the camera is closed or not running
   */
  public void acquireRaw(short[] frame) throws CameraException {
    Native.LOCK.lock();
    try {
      checkLength(frame.length, checkRunning());
      int status = Native.acquire(frame);
      if (status != CameraException.OK) throw new CameraException("Acquire", status);
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Takes one frame as 8-bit grey through the display range and gamma, into a new image
   * of type {@link BufferedImage#TYPE_BYTE_GRAY}.
   *
   * @throws CameraException with status -54 when no frame came
   * @throws IllegalStateException when the camera is closed or not running
   */
  public BufferedImage acquireGray() throws CameraException {
    Native.LOCK.lock();
    try {
      checkRunning();
      BufferedImage image = new BufferedImage(imageWidth, imageHeight,
          BufferedImage.TYPE_BYTE_GRAY);
      acquireGray(image);
      return image;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Takes one frame as 8-bit grey into an image of type
   * {@link BufferedImage#TYPE_BYTE_GRAY} and of the frame size, reusing its pixels.
   *
   * @throws CameraException with status -54 when no frame came
   * @throws IllegalArgumentException when the image has another type or size
   * @throws IllegalStateException when the camera is closed or not running
   */
  public void acquireGray(BufferedImage image) throws CameraException {
    Native.LOCK.lock();
    try {
      checkRunning();
      checkImage(image, BufferedImage.TYPE_BYTE_GRAY);
      byte[] pixels = ((DataBufferByte) image.getRaster().getDataBuffer()).getData();
      int status = Native.acquire8(pixels);
      if (status != CameraException.OK) throw new CameraException("Acquire8", status);
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Takes one frame as colour pixels into a new image of type
   * {@link BufferedImage#TYPE_INT_RGB}: the demosaiced colour image on a colour camera,
   * a pseudo-colour map of the display range on a monochrome one.
   *
   * @throws CameraException with status -54 when no frame came
   * @throws IllegalStateException when the camera is closed or not running
   */
  public BufferedImage acquireRgb() throws CameraException {
    Native.LOCK.lock();
    try {
      checkRunning();
      BufferedImage image = new BufferedImage(imageWidth, imageHeight,
          BufferedImage.TYPE_INT_RGB);
      acquireRgb(image);
      return image;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Takes one frame as colour pixels into an image of type
   * {@link BufferedImage#TYPE_INT_RGB} and of the frame size, reusing its pixels.
   *
   * @throws CameraException with status -54 when no frame came
   * @throws IllegalArgumentException when the image has another type or size
   * @throws IllegalStateException when the camera is closed or not running
   */
  public void acquireRgb(BufferedImage image) throws CameraException {
    Native.LOCK.lock();
    try {
      checkRunning();
      checkImage(image, BufferedImage.TYPE_INT_RGB);
      int[] pixels = ((DataBufferInt) image.getRaster().getDataBuffer()).getData();
      int status = Native.acquireRgb(pixels);
      if (status != CameraException.OK) throw new CameraException("AcquireRGB", status);
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Sets the display range from the histogram of a region of the last frame taken
   * ({@code AutoMinMax}), cutting 50 pixels off each end, or a tenth of the image's
   * pixels when {@code proportional} is true. Following 8-bit and colour frames use the
   * range, and {@link #settings()} holds it. Where too few pixels are counted, for
   * example before the first frame, the range is 0..4095.
   *
   * @return the range found, which may have {@code min > max}
   * @throws IllegalStateException when the camera is closed
   */
  public DisplayRange autoRange(Region region, boolean proportional) {
    Objects.requireNonNull(region, "region");
    Native.LOCK.lock();
    try {
      checkOpen();
      int[] result = Native.autoMinMax(proportional ? 1 : 0, region.toArray());
      DisplayRange range = new DisplayRange(result[0], result[1]);
      settings = settings.toBuilder().displayRange(range).build();
      return range;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Balances the colours over a region of the last frame taken, which should show a
   * neutral grey or white area ({@code WhiteBalance}). The region is used rounded to
   * even numbers ({@link Region#roundedToEven()}). Following colour frames use the new
   * factors, and {@link #settings()} holds them. Meant for a colour camera.
   *
   * @return the colour factors found, green being 100
   * @throws CameraException with status -1609420799 when the balance failed; the colour
   *     factors are then 100, 100, 100 (in use, and in {@link #settings()})
   * @throws IllegalStateException when the camera is closed
   */
  public ColorFactors whiteBalance(Region region) throws CameraException {
    Objects.requireNonNull(region, "region");
    Native.LOCK.lock();
    try {
      checkOpen();
      int[] result = Native.whiteBalance(region.toArray());
      ColorFactors factors = new ColorFactors(result[0], result[1], result[2]);
      settings = settings.toBuilder().colorFactors(factors).build();
      if (result[3] != CameraException.OK) throw new CameraException("WhiteBalance", result[3]);
      return factors;
    } finally {
      Native.LOCK.unlock();
    }
  }

  /**
   * Releases the camera and the vendor libraries ({@code ReleaseCamera}). Does nothing
   * when closed already. The camera counts as closed even when this throws.
   *
   * @throws CameraException when closing the board failed
   */
  @Override
  public void close() throws CameraException {
    Native.LOCK.lock();
    try {
      if (closed) return;
      closed = true;
      running = false;
      current = null;
      int status = Native.releaseCamera();
      if (status != CameraException.OK) throw new CameraException("ReleaseCamera", status);
    } finally {
      Native.LOCK.unlock();
    }
  }

  /** True after {@link #close()}. */
  public boolean isClosed() {
    Native.LOCK.lock();
    try {
      return closed;
    } finally {
      Native.LOCK.unlock();
    }
  }

  @Override
  public String toString() {
    return "Camera[" + sensorWidth + " x " + sensorHeight + (color ? ", colour" : ", monochrome")
        + (isClosed() ? ", closed" : "") + "]";
  }

  private void checkOpen() {
    if (closed) throw new IllegalStateException("the camera is closed");
  }

  /** The pixel count of a frame, once the camera is open and running. */
  private int checkRunning() {
    checkOpen();
    if (!running) {
      throw new IllegalStateException(
          "the camera is not running: call setUp first (again after stop or a failed set-up)");
    }
    return imageWidth * imageHeight;
  }

  private static void checkLength(int length, int needed) {
    if (length < needed) {
      throw new IllegalArgumentException("array of " + length + " elements for a frame of "
          + needed + " pixels");
    }
  }

  private void checkImage(BufferedImage image, int type) {
    Objects.requireNonNull(image, "image");
    WritableRaster raster = image.getRaster();
    DataBuffer data = raster.getDataBuffer();
    // A sub-image shares a larger parent's pixels at an offset; the library writes from
    // the start of the pixel array, so only an image that owns exactly its pixels will do.
    boolean ownPixels = raster.getParent() == null && data.getNumBanks() == 1
        && data.getOffset() == 0 && data.getSize() == imageWidth * imageHeight;
    if (image.getType() != type || image.getWidth() != imageWidth
        || image.getHeight() != imageHeight || !ownPixels) {
      throw new IllegalArgumentException("image of type " + image.getType() + ", "
          + image.getWidth() + " x " + image.getHeight() + (ownPixels ? "" : ", sharing pixels,")
          + " for frames of type " + type + ", " + imageWidth + " x " + imageHeight);
    }
  }
}

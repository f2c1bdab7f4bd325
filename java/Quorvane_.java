/**
 * The camera, as the native library QuorvaneNative implements it: a 12-bit camera,
 * monochrome or colour, driven through the maker's driver library and with its frames
 * converted through the maker's conversion library.
 *
 * <p>Most programs use the package {@code quorvane} instead ({@code quorvane.Camera}),
 * which wraps this class with checked exceptions, value types and a lock. This class is
 * the bare declaration the library implements; it lives in the default package because
 * the library's exported names require it, so named packages can reach it only through
 * reflection.
 *
 * <h2>Loading</h2>
 * Load the library before the first call, for example with
 * {@code System.loadLibrary("QuorvaneNative")} or {@code System.load(path)}. The driver
 * library ({@code libpccam.so}) and the conversion library ({@code libpcocnv.so}) are
 * loaded by {@link #InitCamera()} from the folder that holds the library file itself
 * (the driver, failing that, also by its bare name through the system's search path).
 * Loading the library runs none of its code.
 *
 * <h2>Threads</h2>
 * Use this class from one thread at a time. The library keeps one process-wide camera
 * state (one camera, board 0) and takes no locks; two threads calling into it at once,
 * even different methods, corrupt that state. A program that calls from several threads
 * must serialise the calls itself.
 *
 * <h2>Status codes</h2>
 * The methods return a status, or carry it in their result: as the first element of
 * {@link #InitCamera}'s, as the last of {@link #WhiteBalance}'s. {@link #AutoMinMax}
 * has none; it cannot fail.
 * <table>
 * <caption>Status codes</caption>
 * <tr><th>Value</th><th>Meaning</th></tr>
 * <tr><td>0</td><td>success</td></tr>
 * <tr><td>-54</td><td>a frame was not completed: every failing {@code Acquire},
 *   {@code Acquire8} and {@code AcquireRGB}, whatever the cause (a time-out, a failing
 *   driver call, an array too short, no driver loaded)</td></tr>
 * <tr><td>-56</td><td>a vendor library failed to load, or the call needs one that is not
 *   loaded (before {@code InitCamera}, or after {@code ReleaseCamera})</td></tr>
 * <tr><td>-57</td><td>the settings array given to {@code SetUpCamera} is null or shorter
 *   than 14 elements</td></tr>
 * <tr><td>1</td><td>a vendor library lacks a required entry point</td></tr>
 * <tr><td>-1609420799 (0xA0123001)</td><td>the white balance failed; only ever the last
 *   element of {@code WhiteBalance}'s result</td></tr>
 * <tr><td>any other value</td><td>the unchanged status of the vendor call that failed.
 *   The simulated libraries document theirs at the top of {@code sim/driver.cpp}
 *   (0x80441001 to 0x8044100C) and {@code sim/conversion.cpp} (1 to 7).</td></tr>
 * </table>
 *
 * <h2>Frames</h2>
 * A frame is {@code width * height} pixels, row after row from the top, without padding:
 * pixel (x, y) is element {@code y * width + x}. The image size is the one the driver
 * reports at each acquisition: the full sensor size from {@code InitCamera} divided by
 * the binning of the last {@code SetUpCamera} (on the simulator, rounded down and at
 * least 1). A frame array must hold at least {@code width * height} elements; a null or
 * shorter array makes the acquisition return -54 and leaves the array unwritten. Longer
 * arrays are fine: only the first {@code width * height} elements are written.
 *
 * <h2>Blocking</h2>
 * Every call blocks its thread until done. An acquisition queues the frame buffer and
 * waits for the frame, 2000 ms per wait in video mode and 5000 ms per wait in triggered
 * mode, giving up after 15 consecutive timed-out waits (at most about 30 s or 75 s) with
 * -54. {@code SetUpCamera} pauses 1200 ms after starting the camera, and in triggered
 * mode first takes and discards two frames, so it takes at least 1200 ms. Acquiring
 * before a successful {@code SetUpCamera}, or after {@code StopCOC}, waits all 15 waits
 * and fails.
 *
 * <h2>Settings</h2>
 * The 14-element array {@link #SetUpCamera} takes:
 * <table>
 * <caption>Settings elements</caption>
 * <tr><th>Index</th><th>Name</th><th>Meaning</th></tr>
 * <tr><td>0</td><td>mode</td><td>camera mode, 0 meaning 3. On the simulator: 1 fast
 *   readout (2 ms, more read noise), 2 low-noise readout (10 ms), 3 normal readout
 *   (5 ms); other values fail</td></tr>
 * <tr><td>1</td><td>hbin</td><td>binning across: the image is this many times narrower
 *   than the sensor (simulator: 1, 2 or 4, 0 counting as 1)</td></tr>
 * <tr><td>2</td><td>vbin</td><td>binning down (simulator: 1, 2 or 4, 0 counting as
 *   1)</td></tr>
 * <tr><td>3</td><td>setting3</td><td>passed to the driver unchanged. The simulator
 *   takes it as the exposure time in milliseconds, 0..60000, 0 meaning as fast as
 *   possible</td></tr>
 * <tr><td>4</td><td>setting4</td><td>passed to the driver unchanged. The simulator takes
 *   it as the analogue gain in percent, 50..800, 0 meaning 100 (unity)</td></tr>
 * <tr><td>5</td><td>videoMode</td><td>0 triggered mode (one frame per trigger), any other
 *   value video mode (frames one after another)</td></tr>
 * <tr><td>6</td><td>(unused)</td><td>ignored; pass 0</td></tr>
 * <tr><td>7</td><td>red</td><td>red colour factor, 100 neutral</td></tr>
 * <tr><td>8</td><td>green</td><td>green colour factor, 100 neutral</td></tr>
 * <tr><td>9</td><td>blue</td><td>blue colour factor, 100 neutral</td></tr>
 * <tr><td>10</td><td>displayMin</td><td>raw value shown as black, typically
 *   0..4095</td></tr>
 * <tr><td>11</td><td>displayMax</td><td>raw value shown as white, typically
 *   0..4095</td></tr>
 * <tr><td>12</td><td>lutParam</td><td>gamma times 100 (100 is a gamma of 1.0)</td></tr>
 * <tr><td>13</td><td>colorParam</td><td>colour saturation in percent (100 leaves colours
 *   unchanged)</td></tr>
 * </table>
 * Binning on the simulator is in whole sensor pixels: with hbin 2 a 1392-pixel-wide
 * sensor gives 696-pixel-wide frames.
 *
 * <h2>Regions</h2>
 * {@link #WhiteBalance} and {@link #AutoMinMax} take a region of the last frame as an
 * array of at least 4 elements {x, y, width, height}, in pixels of that frame, (0, 0)
 * being its top left. Only the part of the region inside the frame is read; a region
 * reaching past the frame is clipped.
 */
public final class Quorvane_ {
  private Quorvane_() {}

  /**
   * Loads the vendor libraries and brings camera 0 up: opens the board, reads its sizes
   * and colour flag, allocates and maps the frame buffer and gets its event. Calling it
   * again without {@link #ReleaseCamera()} repeats every step.
   *
   * @return a new array of 4 elements {status, fullWidth, fullHeight, isColor}: the
   *     status (0, -56, 1 or a failing driver call's status), the full sensor width and
   *     height in pixels, and 1 for a colour (RGGB mosaic) sensor or 0 for a monochrome
   *     one. When the status is not 0 the elements after it that bring-up had not reached
   *     are 0. After a failure the libraries that did load stay loaded until
   *     {@link #ReleaseCamera()}.
   */
  public static native int[] InitCamera();

  /**
   * Releases everything: deletes the conversion tables, stops the camera, unmaps and
   * frees the frame buffer, closes the board and unloads both vendor libraries. Safe to
   * call after a failed {@link #InitCamera()}.
   *
   * @return the status of closing the board, or -56 when no vendor library is loaded
   */
  public static native int ReleaseCamera();

  /**
   * Applies a block of settings (layout in the class description) and starts the camera:
   * stops it, sets the mode, ranges the display tables to the display range, colour
   * factors, gamma and saturation given, starts it, in triggered mode takes and discards
   * two frames, and pauses 1200 ms. Blocks for at least 1200 ms.
   *
   * <p>The colour factors and the display range (elements 7 to 11) are recorded first,
   * so they stay recorded when stopping or setting the mode then fails, but the tables
   * are ranged only after the mode is set. A null or short array changes nothing and
   * calls nothing.
   *
   * @param settings at least 14 elements; later elements are ignored
   * @return 0; -56 when the driver is not loaded; -57 for a null or short array; the
   *     status of a failing stop or set-mode call; otherwise the status last recorded:
   *     in video mode that of starting the camera, in triggered mode that of the last
   *     driver call the two discarded acquisitions made
   */
  public static native int SetUpCamera(int[] settings);

  /**
   * In triggered mode sends one software trigger and returns its status. In video mode
   * sends nothing and returns the status last recorded by the library (that of the last
   * recorded vendor call, for example the last frame conversion).
   *
   * <p>An acquisition in triggered mode sends two triggers of its own after queueing the
   * buffer, so a trigger from this method is not needed to take a frame; it starts an
   * exposure early, and a trigger while an exposure is under way is ignored.
   *
   * @return the status as described, or -56 when the driver is not loaded
   */
  public static native int RunCOCAsVIDEO();

  /**
   * Stops the camera. Frames can be taken again only after the next
   * {@link #SetUpCamera}. Leaves the recorded status alone.
   *
   * @return the status of the stop call, or -56 when the driver is not loaded
   */
  public static native int StopCOC();

  /**
   * Takes one frame as raw 12-bit values (0..4095, as the driver delivers them).
   * Blocks as the class description says.
   *
   * @param frame at least width * height elements
   * @return 0, or -54 when no frame was taken (also for a null or short array, and when
   *     the driver is not loaded)
   */
  public static native int Acquire(short[] frame);

  /**
   * Takes one frame and converts it to 8-bit grey through the display range and gamma
   * of the last set-up (or automatic display range). The bytes are unsigned: read them
   * with {@code b & 0xFF}. Blocks as the class description says.
   *
   * <p>A conversion that fails is not reported: the call returns 0, and the array then
   * holds whatever the conversion wrote, possibly nothing.
   *
   * @param frame at least width * height elements
   * @return 0, or -54 when no frame was taken (also for a null or short array, and when
   *     the driver is not loaded)
   */
  public static native int Acquire8(byte[] frame);

  /**
   * Takes one frame and converts it to 0x00RRGGBB pixels, the layout of
   * {@code java.awt.image.BufferedImage.TYPE_INT_RGB}: on a colour camera the
   * demosaiced colour image with the colour factors, display range, gamma and saturation
   * applied; on a monochrome camera a pseudo-colour map of the display range. Blocks as
   * the class description says. A conversion that fails is not reported, as for
   * {@link #Acquire8}.
   *
   * @param frame at least width * height elements
   * @return 0, or -54 when no frame was taken (also for a null or short array, and when
   *     the driver is not loaded)
   */
  public static native int AcquireRGB(int[] frame);

  /**
   * Computes colour factors that make a region of the last frame neutral (green stays
   * 100), stores them as the current colour factors and ranges the colour table with
   * them, so that following {@link #AcquireRGB} frames use them. Meant for a colour
   * camera, over a neutral grey or white area of the scene.
   *
   * <p>Each of x, y, width and height is first rounded toward zero to an even number
   * (3 becomes 2, -3 becomes -2), and the rounded width and height are written back into
   * elements 2 and 3 of the array; x and y keep what was passed.
   *
   * <p>When the white balance fails (the region lies outside the frame or is empty, no
   * frame was taken yet, or the conversion library refuses), the factors become 100,
   * 100, 100 and are stored and applied all the same. A null region, or one shorter than
   * 4 elements, changes nothing and returns the current factors with the failure status.
   *
   * @param region {x, y, width, height}, at least 4 elements; elements 2 and 3 are
   *     overwritten
   * @return a new array of 4 elements {red, green, blue, status}: the factors (100
   *     neutral) and 0 or -1609420799 (0xA0123001) for a failed white balance
   */
  public static native int[] WhiteBalance(int[] region);

  /**
   * Finds a display range from the histogram of a region of the last raw frame, stores
   * it as the current display range and ranges the tables with it, so that following
   * {@link #Acquire8} and {@link #AcquireRGB} frames use it.
   *
   * <p>The histogram has a bin per value 0..4095; values above 4095 are not counted. The
   * minimum is the lowest value at which the count from the bottom up exceeds the
   * threshold, the maximum the highest value at which the count from 4094 down exceeds
   * it (the bin of 4095, saturated pixels, is never counted). The threshold is 50 pixels,
   * or a tenth of the whole image's pixel count (not the region's) when
   * {@code proportional} is not 0. Where the count never exceeds the threshold the
   * bound stays at 0 or 4095 respectively; so a region of 50 pixels or fewer, or of less
   * than a tenth of the image with {@code proportional} set, or a call before the first
   * frame, gives {0, 4095}. The result is stored even when the minimum exceeds the
   * maximum.
   *
   * <p>A null region, or one shorter than 4 elements, changes nothing and returns the
   * current display range.
   *
   * @param proportional 0 for a threshold of 50 pixels, anything else for a tenth of the
   *     image
   * @param region {x, y, width, height}, at least 4 elements; not changed
   * @return a new array of 2 elements {min, max}
   */
  public static native int[] AutoMinMax(int proportional, int[] region);
}

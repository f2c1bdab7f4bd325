/**
 * A Java API for the camera that the native library QuorvaneNative drives: open it, set
 * it up, take frames as {@code short[]} or {@link java.awt.image.BufferedImage}, set the
 * display range automatically and balance the colours.
 *
 * <pre>{@code
 * try (Camera camera = Camera.open()) {
 *   camera.setUp(Settings.builder().exposureMs(20).build());
 *   short[] raw = camera.acquireRaw();
 *   DisplayRange range = camera.autoRange(camera.wholeImage(), false);
 *   BufferedImage grey = camera.acquireGray();
 *   ImageIO.write(grey, "png", new File("frame.png"));
 * }
 * }</pre>
 *
 * <p>{@link quorvane.Camera} is the entry point; {@link quorvane.Settings} describes a
 * set-up; failures are {@link quorvane.CameraException}s carrying the library's status
 * code. All native calls are serialised by one lock, as the library requires.
 */
package quorvane;

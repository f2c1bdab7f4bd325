package quorvane.viewer;

import java.awt.image.BufferedImage;
import java.awt.image.DataBufferByte;
import java.awt.image.DataBufferInt;
import java.util.ArrayDeque;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicReference;
import java.util.function.Consumer;
import javax.swing.SwingUtilities;
import quorvane.Camera;
import quorvane.CameraException;
import quorvane.Settings;

/**
 * The one thread that talks to the camera. It opens and sets the camera up, then takes
 * frames one after another and hands them to the event thread, and between two frames
 * runs the tasks the user interface submits (set-up, auto range, white balance). Nothing
 * here ever runs a camera call on the event thread, and the event thread never waits for
 * this one.
 *
 * <p>Frames travel in a small pool of images: the one on screen, at most one waiting to
 * be shown, and the one being taken. A frame the event thread has not picked up yet is
 * replaced by the next, so a slow screen never makes frames pile up.
 */
final class CameraWorker {
  /** A camera call made on the worker thread. */
  interface Task<T> {
    T run(Camera camera) throws CameraException;
  }

  /** What the worker reports; every method is called on the event thread. */
  interface Listener {
    void started(int sensorWidth, int sensorHeight, boolean color, Settings settings);

    void frame(Frame frame);

    /** A failure; {@code task} tells whether it was that of a submitted task. */
    void failed(String what, Exception e, boolean task);

    void stopped();
  }

  /** What each frame is taken as. */
  enum Kind {
    GREY,
    PSEUDO_COLOR,
    COLOR
  }

  /** One frame for the screen: its image, the histogram of its pixels and the frame rate. */
  static final class Frame {
    final BufferedImage image;
    /** 256 bins per channel: one channel for grey, red, green and blue otherwise. */
    final int[][] histogram;
    final double framesPerSecond;
    final long number;

    Frame(BufferedImage image, int[][] histogram, double framesPerSecond, long number) {
      this.image = image;
      this.histogram = histogram;
      this.framesPerSecond = framesPerSecond;
      this.number = number;
    }
  }

  private final Settings initialSettings;
  private final Listener listener;
  private final Thread thread;
  private final BlockingQueue<Runnable> tasks = new LinkedBlockingQueue<>();
  private final AtomicReference<Frame> pending = new AtomicReference<>();
  private final ConcurrentLinkedQueue<BufferedImage> spare = new ConcurrentLinkedQueue<>();
  private final ArrayDeque<Long> frameTimes = new ArrayDeque<>();
  private volatile Kind kind = Kind.GREY;
  private volatile boolean stopping;
  private Camera camera; // used on the worker thread only
  private long frameNumber;

  CameraWorker(Settings initialSettings, Listener listener) {
    this.initialSettings = initialSettings;
    this.listener = listener;
    this.thread = new Thread(this::run, "camera");
  }

  void start() {
    thread.start();
  }

  /** Chooses what the next frames are taken as. */
  void setKind(Kind kind) {
    this.kind = kind;
  }

  /**
   * Runs a task on the worker thread before the next frame; {@code done} gets its result
   * on the event thread, and a failure goes to {@link Listener#failed}.
   */
  <T> void submit(String what, Task<T> task, Consumer<T> done) {
    tasks.add(() -> {
      try {
        T result = task.run(camera);
        SwingUtilities.invokeLater(() -> done.accept(result));
      } catch (CameraException | RuntimeException e) {
        SwingUtilities.invokeLater(() -> listener.failed(what, e, true));
      }
    });
  }

  /** Gives an image that is no longer on screen back for a later frame. */
  void recycle(BufferedImage image) {
    if (image != null) spare.add(image);
  }

  /** Asks the worker to stop after the call under way; the camera is then closed. */
  void requestStop() {
    stopping = true;
    tasks.add(() -> {});
  }

  /** Waits for the worker to end, at most {@code millis} ms; true once it has. */
  boolean join(long millis) throws InterruptedException {
    thread.join(millis);
    return !thread.isAlive();
  }

  private void run() {
    try {
      camera = Camera.open();
    } catch (CameraException | RuntimeException e) {
      report("Opening the camera", e);
      SwingUtilities.invokeLater(listener::stopped);
      return;
    }
    try {
      camera.setUp(initialSettings);
      int w = camera.sensorWidth();
      int h = camera.sensorHeight();
      boolean color = camera.isColor();
      Settings settings = camera.settings();
      SwingUtilities.invokeLater(() -> listener.started(w, h, color, settings));
      loop();
    } catch (CameraException | RuntimeException e) {
      report("Setting the camera up", e);
    } catch (InterruptedException e) {
      Thread.currentThread().interrupt();
    } finally {
      try {
        camera.close();
      } catch (CameraException e) {
        report("Closing the camera", e);
      }
      SwingUtilities.invokeLater(listener::stopped);
    }
  }

  private void loop() throws InterruptedException {
    while (!stopping) {
      for (Runnable task; (task = tasks.poll()) != null && !stopping; ) task.run();
      if (stopping) break;
      if (!camera.isRunning()) {
        // A failed set-up leaves the camera stopped: wait for the next task.
        Runnable task = tasks.poll(200, TimeUnit.MILLISECONDS);
        if (task != null) task.run();
        continue;
      }
      try {
        publish(takeFrame());
      } catch (CameraException e) {
        report("Taking a frame", e);
        // Some failures come back at once: pause rather than flood the screen with them.
        Runnable task = tasks.poll(500, TimeUnit.MILLISECONDS);
        if (task != null) task.run();
      }
    }
  }

  private Frame takeFrame() throws CameraException {
    Kind k = kind;
    int type = k == Kind.GREY ? BufferedImage.TYPE_BYTE_GRAY : BufferedImage.TYPE_INT_RGB;
    BufferedImage image = freeImage(type, camera.imageWidth(), camera.imageHeight());
    int[][] histogram;
    if (type == BufferedImage.TYPE_BYTE_GRAY) {
      camera.acquireGray(image);
      histogram = greyHistogram(((DataBufferByte) image.getRaster().getDataBuffer()).getData());
    } else {
      camera.acquireRgb(image);
      histogram = rgbHistogram(((DataBufferInt) image.getRaster().getDataBuffer()).getData());
    }
    return new Frame(image, histogram, framesPerSecond(System.nanoTime()), ++frameNumber);
  }

  private BufferedImage freeImage(int type, int width, int height) {
    for (BufferedImage image; (image = spare.poll()) != null; ) {
      if (image.getType() == type && image.getWidth() == width && image.getHeight() == height) {
        return image;
      }
    }
    return new BufferedImage(width, height, type);
  }

  private void publish(Frame frame) {
    Frame unshown = pending.getAndSet(frame);
    if (unshown != null) {
      recycle(unshown.image);
    } else {
      SwingUtilities.invokeLater(() -> {
        Frame next = pending.getAndSet(null);
        if (next != null) listener.frame(next);
      });
    }
  }

  /** Frames per second over the last second. */
  private double framesPerSecond(long now) {
    frameTimes.addLast(now);
    while (frameTimes.size() > 2 && now - frameTimes.peekFirst() > 1_000_000_000L) {
      frameTimes.removeFirst();
    }
    if (frameTimes.size() < 2) return 0;
    return (frameTimes.size() - 1) * 1e9 / (now - frameTimes.peekFirst());
  }

  private static int[][] greyHistogram(byte[] pixels) {
    int[] bins = new int[256];
    for (byte b : pixels) bins[b & 0xFF]++;
    return new int[][] {bins};
  }

  private static int[][] rgbHistogram(int[] pixels) {
    int[] r = new int[256];
    int[] g = new int[256];
    int[] b = new int[256];
    for (int p : pixels) {
      r[(p >> 16) & 0xFF]++;
      g[(p >> 8) & 0xFF]++;
      b[p & 0xFF]++;
    }
    return new int[][] {r, g, b};
  }

  private void report(String what, Exception e) {
    SwingUtilities.invokeLater(() -> listener.failed(what, e, false));
  }
}

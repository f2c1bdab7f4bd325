package quorvane.viewer;

import java.awt.BorderLayout;
import java.awt.Dimension;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.GraphicsEnvironment;
import java.awt.GridBagConstraints;
import java.awt.GridBagLayout;
import java.awt.Insets;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.IOException;
import java.lang.reflect.InvocationTargetException;
import java.util.Arrays;
import java.util.Locale;
import java.util.concurrent.atomic.AtomicReference;
import java.util.function.Supplier;
import javax.imageio.ImageIO;
import javax.swing.BorderFactory;
import javax.swing.ButtonGroup;
import javax.swing.JButton;
import javax.swing.JCheckBox;
import javax.swing.JComponent;
import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.JPanel;
import javax.swing.JRadioButton;
import javax.swing.JSlider;
import javax.swing.SwingUtilities;
import javax.swing.WindowConstants;
import quorvane.CameraException;
import quorvane.ColorFactors;
import quorvane.DisplayRange;
import quorvane.Region;
import quorvane.Settings;
import quorvane.demo.Launch;

/**
 * The live viewer: a window showing the camera in video mode, with a display-range
 * control, an "Auto range" button, a "White balance" button for a region dragged over
 * the image, a grey / pseudo-colour / colour switch, a histogram of the last frame and
 * the frame rate.
 *
 * <p>All camera calls run on one worker thread ({@link CameraWorker}); the event thread
 * only submits tasks to it and shows what it hands back. This is the pattern to copy into
 * an application: the camera calls block, for 1200 ms and more in a set-up.
 *
 * <p>Besides the window, the class offers the few methods that the command-line options
 * {@code --auto-range}, {@code --white-balance} and {@code --screenshot} and the tests
 * use to drive it as a user would.
 */
public final class Viewer {
  private static final String USAGE = String.join("\n",
      "Usage: quorvane viewer [options]",
      "Shows the camera live in video mode.",
      "",
      "  --color              a colour camera (the simulator's QVSIM_COLOR=1)",
      "  --exposure MS        exposure in milliseconds (default 20)",
      "  --region X,Y,W,H     select a region of the frame at the start",
      "  --auto-range         press Auto range over the whole frame once frames come",
      "  --white-balance      then press White balance over the region (needs --region)",
      "  --screenshot FILE    write the window to a PNG file after a few frames, then quit",
      "  --help               this text",
      "",
      "Drag over the image to select a region; a click clears it.");

  private static final int MAX_RAW = 4095;
  /** Frames shown before scripted presses, and again before a screenshot. */
  private static final int SETTLE_FRAMES = 5;
  /** Longest wait for frames or results in scripted use; only a hang takes that long. */
  private static final long SCRIPT_TIMEOUT_MS = 120_000;

  private final JFrame window = new JFrame("Quorvane viewer");
  private final ImagePanel imagePanel = new ImagePanel();
  private final HistogramPanel histogramPanel = new HistogramPanel();
  private final JRadioButton grey = new JRadioButton("Grey");
  private final JRadioButton pseudo = new JRadioButton("Pseudo-colour");
  private final JRadioButton colour = new JRadioButton("Colour");
  private final JSlider minSlider = new JSlider(0, MAX_RAW, 0);
  private final JSlider maxSlider = new JSlider(0, MAX_RAW, MAX_RAW);
  private final JLabel minValue = new JLabel();
  private final JLabel maxValue = new JLabel();
  private final JButton autoRange = new JButton("Auto range");
  private final JCheckBox proportional = new JCheckBox("cut a tenth of the image", true);
  private final JButton whiteBalance = new JButton("White balance");
  private final JLabel rate = new JLabel(" ");
  private final JLabel status = new JLabel("Starting the camera...");
  private final CameraWorker worker;

  // Event thread only.
  private boolean started;
  private boolean colorCamera;
  private boolean settingSliders;

  // Progress that scripted use waits for; guarded by this.
  private int framesShown;
  private int actionsDone;
  private boolean stopped;
  private String lastError;

  private Viewer(Settings settings) {
    worker = new CameraWorker(settings, new Events());
  }

  /**
   * Opens the window and starts the camera on its worker thread. Call from any thread
   * but the event thread.
   */
  public static Viewer start(int exposureMs) {
    Settings settings = Settings.builder().exposureMs(exposureMs).triggered(false).build();
    Viewer viewer = new Viewer(settings);
    onEventThread(() -> {
      viewer.build();
      return null;
    });
    viewer.worker.start();
    return viewer;
  }

  // ---- the window --------------------------------------------------------------------

  private void build() {
    ButtonGroup kinds = new ButtonGroup();
    for (JRadioButton b : Arrays.asList(grey, pseudo, colour)) {
      kinds.add(b);
      b.addActionListener(e -> worker.setKind(kind()));
    }
    grey.setSelected(true);
    minSlider.addChangeListener(e -> rangeChanged(minSlider));
    maxSlider.addChangeListener(e -> rangeChanged(maxSlider));
    autoRange.addActionListener(e -> autoRange());
    autoRange.setToolTipText("Display range from the histogram of the selected region, or of"
        + " the whole frame");
    proportional.setToolTipText("Cut a tenth of the image's pixels off each end of the"
        + " histogram instead of 50 pixels");
    whiteBalance.addActionListener(e -> whiteBalance());
    imagePanel.onSelection(r -> enableControls());

    JPanel controls = new JPanel(new GridBagLayout());
    controls.setBorder(BorderFactory.createEmptyBorder(8, 8, 8, 8));
    GridBagConstraints c = new GridBagConstraints();
    c.gridx = 0;
    c.gridwidth = 2;
    c.anchor = GridBagConstraints.WEST;
    c.fill = GridBagConstraints.HORIZONTAL;
    c.insets = new Insets(2, 0, 2, 0);
    controls.add(heading("Display"), c);
    controls.add(grey, c);
    controls.add(pseudo, c);
    controls.add(colour, c);
    controls.add(heading("Display range"), c);
    addSliderRow(controls, "Min", minSlider, minValue);
    addSliderRow(controls, "Max", maxSlider, maxValue);
    c.gridx = 0;
    c.gridwidth = 2;
    controls.add(autoRange, c);
    controls.add(proportional, c);
    controls.add(heading("Colour"), c);
    controls.add(whiteBalance, c);
    controls.add(heading("Histogram"), c);
    controls.add(histogramPanel, c);
    c.weighty = 1;
    controls.add(rate, c);
    updateRangeLabels();

    JPanel statusBar = new JPanel(new BorderLayout());
    statusBar.setBorder(BorderFactory.createEmptyBorder(4, 8, 4, 8));
    statusBar.add(status, BorderLayout.CENTER);

    window.setDefaultCloseOperation(WindowConstants.DO_NOTHING_ON_CLOSE);
    window.getContentPane().add(imagePanel, BorderLayout.CENTER);
    window.getContentPane().add(controls, BorderLayout.EAST);
    window.getContentPane().add(statusBar, BorderLayout.SOUTH);
    enableControls();
    window.pack();
    window.setLocationByPlatform(true);
    window.setVisible(true);
  }

  private static JLabel heading(String text) {
    JLabel label = new JLabel(text);
    label.setFont(label.getFont().deriveFont(Font.BOLD));
    label.setBorder(BorderFactory.createEmptyBorder(6, 0, 0, 0));
    return label;
  }

  private static void addSliderRow(JPanel panel, String name, JSlider slider, JLabel value) {
    GridBagConstraints c = new GridBagConstraints();
    c.gridx = 0;
    c.gridwidth = 2;
    c.anchor = GridBagConstraints.WEST;
    JPanel row = new JPanel(new BorderLayout(6, 0));
    JLabel label = new JLabel(name);
    label.setPreferredSize(new Dimension(30, label.getPreferredSize().height));
    row.add(label, BorderLayout.WEST);
    slider.setPreferredSize(new Dimension(170, slider.getPreferredSize().height));
    row.add(slider, BorderLayout.CENTER);
    value.setPreferredSize(new Dimension(40, value.getPreferredSize().height));
    row.add(value, BorderLayout.EAST);
    panel.add(row, c);
  }

  private CameraWorker.Kind kind() {
    if (colour.isSelected()) return CameraWorker.Kind.COLOR;
    if (pseudo.isSelected()) return CameraWorker.Kind.PSEUDO_COLOR;
    return CameraWorker.Kind.GREY;
  }

  private void enableControls() {
    // The library gives pseudo-colour on a monochrome camera and colour on a colour one.
    grey.setEnabled(started);
    pseudo.setEnabled(started && !colorCamera);
    colour.setEnabled(started && colorCamera);
    pseudo.setToolTipText(colorCamera ? "a monochrome camera gives pseudo-colour" : null);
    colour.setToolTipText(colorCamera ? null : "needs a colour camera (--color)");
    minSlider.setEnabled(started);
    maxSlider.setEnabled(started);
    autoRange.setEnabled(started);
    proportional.setEnabled(started);
    whiteBalance.setEnabled(started && colorCamera && imagePanel.selection() != null);
    whiteBalance.setToolTipText(!colorCamera ? "needs a colour camera (--color)"
        : "Balance the colours over the selected region, which should be neutral grey");
  }

  private void updateRangeLabels() {
    minValue.setText(Integer.toString(minSlider.getValue()));
    maxValue.setText(Integer.toString(maxSlider.getValue()));
  }

  private void setSliders(DisplayRange range) {
    settingSliders = true;
    try {
      minSlider.setValue(Math.max(0, Math.min(MAX_RAW, range.min())));
      maxSlider.setValue(Math.max(0, Math.min(MAX_RAW, range.max())));
    } finally {
      settingSliders = false;
    }
    updateRangeLabels();
  }

  /** A new display range is applied by a set-up, once the user lets go of the slider. */
  private void rangeChanged(JSlider slider) {
    updateRangeLabels();
    if (settingSliders || slider.getValueIsAdjusting() || !started) return;
    int min = minSlider.getValue();
    int max = maxSlider.getValue();
    status.setText("Applying display range " + min + ".." + max + "...");
    worker.submit("Set-up", camera -> {
      camera.setUp(camera.settings().toBuilder().displayRange(min, max).build());
      return camera.settings().displayRange();
    }, range -> {
      status.setText("Display range " + range.min() + ".." + range.max());
      actionDone();
    });
  }

  private void autoRange() {
    Region region = imagePanel.selection();
    boolean tenth = proportional.isSelected();
    status.setText("Auto range...");
    worker.submit("Auto range", camera -> camera.autoRange(
        region != null ? region : camera.wholeImage(), tenth), range -> {
          setSliders(range);
          status.setText("Auto range " + (region != null ? "over the region" : "over the frame")
              + ": " + range.min() + ".." + range.max());
          actionDone();
        });
  }

  private void whiteBalance() {
    Region region = imagePanel.selection();
    if (region == null) return;
    status.setText("White balance...");
    worker.submit("White balance", camera -> camera.whiteBalance(region), factors -> {
      status.setText(factorsText(factors));
      actionDone();
    });
  }

  private static String factorsText(ColorFactors f) {
    return "White balance: red " + f.red() + ", green " + f.green() + ", blue " + f.blue();
  }

  private final class Events implements CameraWorker.Listener {
    @Override
    public void started(int sensorWidth, int sensorHeight, boolean color, Settings settings) {
      started = true;
      colorCamera = color;
      (color ? colour : grey).setSelected(true);
      worker.setKind(kind());
      setSliders(settings.displayRange());
      enableControls();
      window.setTitle("Quorvane viewer - " + (color ? "colour" : "monochrome") + " camera "
          + sensorWidth + " x " + sensorHeight);
      status.setText("Live, video mode, exposure " + settings.exposureMs() + " ms");
    }

    @Override
    public void frame(CameraWorker.Frame frame) {
      worker.recycle(imagePanel.show(frame.image));
      histogramPanel.show(frame.histogram);
      rate.setText(String.format(Locale.ROOT, "%.1f frames/s, frame %d", frame.framesPerSecond,
          frame.number));
      synchronized (Viewer.this) {
        framesShown++;
        Viewer.this.notifyAll();
      }
    }

    @Override
    public void failed(String what, Exception e, boolean task) {
      String text = e instanceof CameraException ? e.getMessage() : e.toString();
      status.setText(what + ": " + text);
      synchronized (Viewer.this) {
        lastError = what + ": " + text;
        if (task) actionsDone++;
        Viewer.this.notifyAll();
      }
    }

    @Override
    public void stopped() {
      started = false;
      enableControls();
      synchronized (Viewer.this) {
        stopped = true;
        Viewer.this.notifyAll();
      }
    }
  }

  private synchronized void actionDone() {
    actionsDone++;
    notifyAll();
  }

  // ---- driving it as a user would ---------------------------------------------------

  /** Frames shown so far. */
  public synchronized int framesShown() {
    return framesShown;
  }

  /** Presses and results so far (each press of a button or slider gives one). */
  public synchronized int actionsDone() {
    return actionsDone;
  }

  /** The last failure shown in the status line, or null. */
  public synchronized String lastError() {
    return lastError;
  }

  /**
   * Waits until {@code frames} frames have been shown in all; false when the camera
   * stopped or {@code timeoutMs} passed first.
   */
  public boolean awaitFrames(int frames, long timeoutMs) throws InterruptedException {
    return await(() -> framesShown >= frames, timeoutMs);
  }

  /** Waits until {@code actions} results have come in all, as {@link #awaitFrames}. */
  public boolean awaitActions(int actions, long timeoutMs) throws InterruptedException {
    return await(() -> actionsDone >= actions, timeoutMs);
  }

  private synchronized boolean await(Supplier<Boolean> done, long timeoutMs)
      throws InterruptedException {
    long end = System.nanoTime() + timeoutMs * 1_000_000L;
    while (!done.get()) {
      long left = (end - System.nanoTime()) / 1_000_000L;
      if (stopped || left <= 0) return false;
      wait(left);
    }
    return true;
  }

  /** Selects a region of the frame, as a drag would. */
  public void selectRegion(Region region) {
    onEventThread(() -> {
      imagePanel.setSelection(region);
      return null;
    });
  }

  /** Clicks "Auto range". */
  public void pressAutoRange() {
    onEventThread(() -> {
      autoRange.doClick();
      return null;
    });
  }

  /** Clicks "White balance" (enabled on a colour camera with a region selected). */
  public void pressWhiteBalance() {
    onEventThread(() -> {
      whiteBalance.doClick();
      return null;
    });
  }

  /** The display range the sliders show. */
  public DisplayRange displayRange() {
    return onEventThread(() -> new DisplayRange(minSlider.getValue(), maxSlider.getValue()));
  }

  /** The text of the status line. */
  public String statusText() {
    return onEventThread(status::getText);
  }

  /** The window's contents as an image, drawn as they are on screen. */
  public BufferedImage screenshot() {
    return onEventThread(() -> {
      JComponent root = window.getRootPane();
      BufferedImage image = new BufferedImage(Math.max(1, root.getWidth()),
          Math.max(1, root.getHeight()), BufferedImage.TYPE_INT_RGB);
      Graphics2D g = image.createGraphics();
      try {
        root.paint(g);
      } finally {
        g.dispose();
      }
      return image;
    });
  }

  /**
   * Stops the camera, closes it and closes the window. Waits for that unless called on
   * the event thread.
   */
  public void close() throws InterruptedException {
    worker.requestStop();
    if (SwingUtilities.isEventDispatchThread()) {
      window.dispose();
      return;
    }
    // The frame under way finishes first; an acquisition can wait 30 s at worst.
    worker.join(SCRIPT_TIMEOUT_MS);
    onEventThread(() -> {
      window.dispose();
      return null;
    });
  }

  private static <T> T onEventThread(Supplier<T> action) {
    if (SwingUtilities.isEventDispatchThread()) return action.get();
    AtomicReference<T> result = new AtomicReference<>();
    try {
      SwingUtilities.invokeAndWait(() -> result.set(action.get()));
    } catch (InterruptedException e) {
      Thread.currentThread().interrupt();
      throw new IllegalStateException("interrupted", e);
    } catch (InvocationTargetException e) {
      Throwable cause = e.getCause();
      if (cause instanceof RuntimeException) throw (RuntimeException) cause;
      if (cause instanceof Error) throw (Error) cause;
      throw new IllegalStateException(cause);
    }
    return result.get();
  }

  // ---- command line -----------------------------------------------------------------

  public static void main(String[] args) throws Exception {
    int status = run(args);
    // Interactive, the window's threads keep the JVM alive until it is closed.
    if (status != KEEP_RUNNING) System.exit(status);
  }

  private static final int KEEP_RUNNING = -1;

  private static int run(String[] args) throws Exception {
    boolean color = false;
    int exposure = 20;
    Region region = null;
    boolean pressWhiteBalance = false;
    boolean pressAutoRange = false;
    File screenshot = null;
    try {
      for (int i = 0; i < args.length; i++) {
        switch (args[i]) {
          case "--help":
          case "-h":
            System.out.println(USAGE);
            return 0;
          case "--color":
            color = true;
            break;
          case "--exposure":
            exposure = Integer.parseInt(value(args, ++i, "--exposure"));
            break;
          case "--region":
            region = parseRegion(value(args, ++i, "--region"));
            break;
          case "--white-balance":
            pressWhiteBalance = true;
            break;
          case "--auto-range":
            pressAutoRange = true;
            break;
          case "--screenshot":
            screenshot = new File(value(args, ++i, "--screenshot"));
            break;
          default:
            throw new IllegalArgumentException("unknown option " + args[i]);
        }
      }
      if (pressWhiteBalance && region == null) {
        throw new IllegalArgumentException("--white-balance needs --region");
      }
    } catch (IllegalArgumentException e) {
      System.err.println("quorvane viewer: " + e.getMessage());
      System.err.println(USAGE);
      return 2;
    }
    if (color && !Launch.simulatesColor() && !Launch.relaunched()) {
      return Launch.run(Viewer.class, true, Arrays.asList(args));
    }
    if (GraphicsEnvironment.isHeadless()) {
      System.err.println("quorvane viewer: no display; set DISPLAY, or run it under xvfb-run");
      return 1;
    }

    Viewer viewer = start(exposure);
    boolean scripted = region != null || pressWhiteBalance || pressAutoRange || screenshot != null;
    if (!scripted) {
      SwingUtilities.invokeLater(() -> viewer.window.addWindowListener(new WindowAdapter() {
        @Override
        public void windowClosing(WindowEvent e) {
          new Thread(() -> {
            try {
              viewer.close();
            } catch (InterruptedException ignored) {
              Thread.currentThread().interrupt();
            }
            System.exit(0);
          }, "closing").start();
        }
      }));
      return KEEP_RUNNING;
    }

    // Scripted: act once frames come, as a user would, then take the screenshot.
    int status = 0;
    try {
      status = script(viewer, region, pressWhiteBalance, pressAutoRange, screenshot);
    } finally {
      viewer.close();
    }
    return status;
  }

  private static int script(Viewer viewer, Region region, boolean pressWhiteBalance,
      boolean pressAutoRange, File screenshot) throws InterruptedException, IOException {
    if (!viewer.awaitFrames(SETTLE_FRAMES, SCRIPT_TIMEOUT_MS)) {
      return fail(viewer, "no frames came");
    }
    // Auto range first, over the whole frame, before any region is selected.
    if (pressAutoRange) {
      int before = viewer.actionsDone();
      viewer.pressAutoRange();
      if (!viewer.awaitActions(before + 1, SCRIPT_TIMEOUT_MS)) {
        return fail(viewer, "Auto range gave no result");
      }
      System.out.println(viewer.statusText());
    }
    if (region != null) viewer.selectRegion(region);
    if (pressWhiteBalance) {
      int before = viewer.actionsDone();
      viewer.pressWhiteBalance();
      if (!viewer.awaitActions(before + 1, SCRIPT_TIMEOUT_MS)) {
        return fail(viewer, "White balance gave no result");
      }
      System.out.println(viewer.statusText());
    }
    int shown = viewer.framesShown();
    if (!viewer.awaitFrames(shown + SETTLE_FRAMES, SCRIPT_TIMEOUT_MS)) {
      return fail(viewer, "frames stopped");
    }
    if (screenshot != null) {
      File parent = screenshot.getAbsoluteFile().getParentFile();
      if (parent != null && !parent.isDirectory() && !parent.mkdirs()) {
        throw new IOException("cannot make " + parent);
      }
      ImageIO.write(viewer.screenshot(), "png", screenshot);
      System.out.println("Screenshot written to " + screenshot.getAbsolutePath());
    }
    return viewer.lastError() == null ? 0 : fail(viewer, viewer.lastError());
  }

  private static int fail(Viewer viewer, String what) {
    System.err.println("quorvane viewer: " + what
        + (viewer.lastError() != null ? " (" + viewer.lastError() + ")" : ""));
    return 1;
  }

  private static String value(String[] args, int i, String option) {
    if (i >= args.length) throw new IllegalArgumentException(option + " needs a value");
    return args[i];
  }

  private static Region parseRegion(String text) {
    String[] parts = text.split(",");
    if (parts.length != 4) throw new IllegalArgumentException("--region takes X,Y,W,H");
    int[] v = new int[4];
    for (int i = 0; i < 4; i++) v[i] = Integer.parseInt(parts[i].trim());
    return new Region(v[0], v[1], v[2], v[3]);
  }
}

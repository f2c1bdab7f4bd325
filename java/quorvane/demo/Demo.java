package quorvane.demo;

import java.awt.image.BufferedImage;
import java.awt.image.DataBufferByte;
import java.awt.image.DataBufferInt;
import java.awt.image.DataBufferUShort;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import javax.imageio.ImageIO;
import quorvane.Camera;
import quorvane.CameraException;
import quorvane.ColorFactors;
import quorvane.DisplayRange;
import quorvane.Region;
import quorvane.Settings;

/**
 * The main job end to end on the camera: bring it up, set it up, take raw, 8-bit and
 * colour (or pseudo-colour) frames, set the display range automatically and, on a colour
 * camera, balance the colours over the scene's neutral grey patch. Every frame goes into
 * a PNG file with a one-line summary.
 *
 * <p>Without {@code --color} and {@code --triggered} it runs the whole tour: a monochrome
 * camera in video mode, then a colour camera in triggered mode. A part that needs the
 * other kind of simulated camera runs in a second JVM ({@link Launch}).
 */
public final class Demo {
  private static final String USAGE = String.join("\n",
      "Usage: quorvane demo [options]",
      "Takes frames from the camera, sets the display range automatically and, on a colour",
      "camera, balances the colours, writing every frame as PNG.",
      "",
      "  --color       a colour camera (the simulator's QVSIM_COLOR=1)",
      "  --triggered   triggered mode, each frame triggered with RunCOCAsVIDEO",
      "  --frames N    frames of each kind to take, 1 to 1000 (default 1)",
      "  --out DIR     folder for the PNG files (default build/demo)",
      "  --help        this text",
      "",
      "Without --color and --triggered: a monochrome camera in video mode, then a colour",
      "camera in triggered mode.");

  /** The simulator's neutral grey patch, in fractions of the image, kept clear of its
   * edges and of the moving bright object's path through the first frames. */
  private static final double PATCH_X0 = 0.86;
  private static final double PATCH_Y0 = 0.20;
  private static final double PATCH_X1 = 0.94;
  private static final double PATCH_Y1 = 0.40;

  /** Internal: runs exactly one part (for example "color-triggered"), as a relaunched JVM
   * is told to. */
  private static final String PART_OPTION = "--part";

  private final PrintStream out;
  private final Path folder;
  private final int frames;

  private Demo(PrintStream out, Path folder, int frames) {
    this.out = out;
    this.folder = folder;
    this.frames = frames;
  }

  public static void main(String[] args) {
    System.exit(run(args, System.out, System.err));
  }

  /** Runs the demo; returns the exit status: 0 done, 1 a camera or file failure, 2 usage. */
  static int run(String[] args, PrintStream out, PrintStream err) {
    boolean color = false;
    boolean triggered = false;
    int frames = 1;
    Path folder = Path.of("build", "demo");
    String part = null;
    try {
      for (int i = 0; i < args.length; i++) {
        switch (args[i]) {
          case "--help":
          case "-h":
            out.println(USAGE);
            return 0;
          case "--color":
            color = true;
            break;
          case "--triggered":
            triggered = true;
            break;
          case "--frames":
            frames = parseFrames(value(args, ++i, "--frames"));
            break;
          case "--out":
            folder = Path.of(value(args, ++i, "--out"));
            break;
          case PART_OPTION:
            part = value(args, ++i, PART_OPTION);
            if (!part.matches("(mono|color)-(video|triggered)")) {
              throw new IllegalArgumentException("unknown part " + part);
            }
            break;
          default:
            throw new IllegalArgumentException("unknown option " + args[i]);
        }
      }
    } catch (IllegalArgumentException e) {
      err.println("quorvane demo: " + e.getMessage());
      err.println(USAGE);
      return 2;
    }

    List<boolean[]> parts = new ArrayList<>();
    if (part != null) {
      parts.add(new boolean[] {part.startsWith("color-"), part.endsWith("-triggered")});
    } else if (!color && !triggered) {
      parts.add(new boolean[] {false, false});
      parts.add(new boolean[] {true, true});
    } else {
      parts.add(new boolean[] {color, triggered});
    }
    try {
      folder = folder.toAbsolutePath().normalize();
      Files.createDirectories(folder);
      if (!Launch.relaunched()) out.println("Frames go to " + folder);
      Demo demo = new Demo(out, folder, frames);
      for (boolean[] p : parts) {
        int status = demo.runPart(p[0], p[1]);
        if (status != 0) return status;
      }
      return 0;
    } catch (IOException e) {
      err.println("quorvane demo: " + e);
      return 1;
    } catch (InterruptedException e) {
      Thread.currentThread().interrupt();
      return 1;
    }
  }

  private static String partName(boolean color, boolean triggered) {
    return (color ? "color" : "mono") + "-" + (triggered ? "triggered" : "video");
  }

  private static String value(String[] args, int i, String option) {
    if (i >= args.length) throw new IllegalArgumentException(option + " needs a value");
    return args[i];
  }

  private static int parseFrames(String text) {
    try {
      int n = Integer.parseInt(text);
      if (n >= 1 && n <= 1000) return n;
    } catch (NumberFormatException e) {
      // reported below
    }
    throw new IllegalArgumentException("--frames takes a number from 1 to 1000, not " + text);
  }

  /** One camera in one mode, here or, for the other kind of simulated camera, in a new JVM. */
  private int runPart(boolean color, boolean triggered) throws IOException, InterruptedException {
    if (color != Launch.simulatesColor() && !Launch.relaunched()) {
      out.flush();
      List<String> args = new ArrayList<>(Arrays.asList(PART_OPTION, partName(color, triggered),
          "--frames", Integer.toString(frames), "--out", folder.toString()));
      return Launch.run(Demo.class, color, args);
    }
    String name = partName(color, triggered);
    out.println();
    out.println("== " + (color ? "colour" : "monochrome") + " camera, "
        + (triggered ? "triggered mode (RunCOCAsVIDEO triggers each frame)" : "video mode"));
    try (Camera camera = Camera.open()) {
      out.println("InitCamera -> [0, " + camera.sensorWidth() + ", " + camera.sensorHeight()
          + ", " + (camera.isColor() ? 1 : 0) + "]");
      if (camera.isColor() != color) {
        out.println("(the camera is " + (camera.isColor() ? "colour" : "monochrome")
            + ", not as asked; going on with it)");
      }
      Settings settings = Settings.builder().triggered(triggered).build();
      long start = System.nanoTime();
      camera.setUp(settings);
      out.println("SetUpCamera(" + Arrays.toString(settings.toArray()) + ") -> 0  ("
          + millis(start) + " ms)");

      for (int i = 1; i <= frames; i++) raw(camera, name + "-raw-" + i);
      for (int i = 1; i <= frames; i++) gray(camera, name + "-gray8-" + i);
      String rgbKind = camera.isColor() ? "-rgb-" : "-pseudo-";
      for (int i = 1; i <= frames; i++) rgb(camera, name + rgbKind + i, null);

      gray(camera, name + "-gray8-before-autorange");
      // Both thresholds over the same last frame; the second range stays in use.
      Region whole = camera.wholeImage();
      DisplayRange range = camera.autoRange(whole, false);
      out.println("AutoMinMax(0, " + Arrays.toString(whole.toArray()) + ") -> [" + range.min()
          + ", " + range.max() + "]  (50 pixels cut off each end)");
      range = camera.autoRange(whole, true);
      out.println("AutoMinMax(1, " + Arrays.toString(whole.toArray()) + ") -> [" + range.min()
          + ", " + range.max() + "]  (a tenth of the image cut off each end; kept)");
      gray(camera, name + "-gray8-after-autorange");

      if (camera.isColor()) whiteBalance(camera, name);
      return 0;
    } catch (CameraException e) {
      out.println("failed: " + e.getMessage());
      return 1;
    }
  }

  private void whiteBalance(Camera camera, String name) throws CameraException, IOException {
    int w = camera.imageWidth();
    int h = camera.imageHeight();
    Region patch = new Region((int) (PATCH_X0 * w), (int) (PATCH_Y0 * h),
        (int) ((PATCH_X1 - PATCH_X0) * w), (int) ((PATCH_Y1 - PATCH_Y0) * h));
    rgb(camera, name + "-rgb-before-whitebalance", patch);
    String call = "WhiteBalance(" + Arrays.toString(patch.toArray()) + ")";
    try {
      ColorFactors f = camera.whiteBalance(patch);
      out.println(call + " -> [" + f.red() + ", " + f.green() + ", " + f.blue() + ", 0]"
          + "  (grey patch, used as " + Arrays.toString(patch.roundedToEven().toArray()) + ")");
    } catch (CameraException e) {
      if (e.status() != CameraException.WHITE_BALANCE_FAILED) throw e;
      out.println(call + " -> [100, 100, 100, " + e.status() + "]  " + e.meaning());
    }
    rgb(camera, name + "-rgb-after-whitebalance", patch);
  }

  // ---- frames -------------------------------------------------------------------------

  private void raw(Camera camera, String file) throws CameraException, IOException {
    long start = System.nanoTime();
    camera.trigger();
    short[] frame = camera.acquireRaw();
    long ms = millis(start);
    int w = camera.imageWidth();
    int h = camera.imageHeight();
    long sum = 0;
    int min = Integer.MAX_VALUE;
    int max = Integer.MIN_VALUE;
    for (short s : frame) {
      int v = s & 0xFFFF;
      sum += v;
      min = Math.min(min, v);
      max = Math.max(max, v);
    }
    // 12-bit values shown over the whole 16-bit range of the PNG.
    BufferedImage image = new BufferedImage(w, h, BufferedImage.TYPE_USHORT_GRAY);
    short[] pixels = ((DataBufferUShort) image.getRaster().getDataBuffer()).getData();
    for (int i = 0; i < pixels.length; i++) {
      pixels[i] = (short) (Math.min(frame[i] & 0xFFFF, 4095) << 4);
    }
    write(image, file);
    summary(file, w, h, "raw", min, max, (double) sum / frame.length, ms, "");
  }

  private void gray(Camera camera, String file) throws CameraException, IOException {
    long start = System.nanoTime();
    camera.trigger();
    BufferedImage image = camera.acquireGray();
    long ms = millis(start);
    byte[] pixels = ((DataBufferByte) image.getRaster().getDataBuffer()).getData();
    long sum = 0;
    int min = 255;
    int max = 0;
    for (byte b : pixels) {
      int v = b & 0xFF;
      sum += v;
      min = Math.min(min, v);
      max = Math.max(max, v);
    }
    write(image, file);
    summary(file, image.getWidth(), image.getHeight(), "8-bit", min, max,
        (double) sum / pixels.length, ms, "");
  }

  /** Takes, writes and summarises a colour frame; with a patch, also its channel means. */
  private BufferedImage rgb(Camera camera, String file, Region patch)
      throws CameraException, IOException {
    long start = System.nanoTime();
    camera.trigger();
    BufferedImage image = camera.acquireRgb();
    long ms = millis(start);
    int[] pixels = ((DataBufferInt) image.getRaster().getDataBuffer()).getData();
    long[] sums = new long[3];
    int min = 255;
    int max = 0;
    for (int p : pixels) {
      for (int c = 0; c < 3; c++) {
        int v = (p >> (16 - 8 * c)) & 0xFF;
        sums[c] += v;
        min = Math.min(min, v);
        max = Math.max(max, v);
      }
    }
    double n = pixels.length;
    String extra = String.format(Locale.ROOT, "  R/G/B mean %.1f/%.1f/%.1f", sums[0] / n,
        sums[1] / n, sums[2] / n);
    if (patch != null) extra += "  grey patch R/G/B " + patchMeans(image, patch);
    write(image, file);
    summary(file, image.getWidth(), image.getHeight(), "RGB", min, max,
        (sums[0] + sums[1] + sums[2]) / (3 * n), ms, extra);
    return image;
  }

  private static String patchMeans(BufferedImage image, Region r) {
    long[] sums = new long[3];
    long n = 0;
    for (int y = r.y(); y < r.y() + r.height() && y < image.getHeight(); y++) {
      for (int x = r.x(); x < r.x() + r.width() && x < image.getWidth(); x++) {
        int p = image.getRGB(x, y);
        sums[0] += (p >> 16) & 0xFF;
        sums[1] += (p >> 8) & 0xFF;
        sums[2] += p & 0xFF;
        n++;
      }
    }
    if (n == 0) return "-";
    return String.format(Locale.ROOT, "%.1f/%.1f/%.1f", (double) sums[0] / n,
        (double) sums[1] / n, (double) sums[2] / n);
  }

  private void write(BufferedImage image, String file) throws IOException {
    Path path = folder.resolve(file + ".png");
    if (!ImageIO.write(image, "png", path.toFile())) {
      throw new IOException("no PNG writer for " + path);
    }
  }

  private void summary(String file, int w, int h, String kind, int min, int max, double mean,
      long ms, String extra) {
    out.println(String.format(Locale.ROOT, "  %-46s %4d x %-4d %-5s min %4d  max %4d  mean %7.1f"
        + "  %5d ms%s", file + ".png", w, h, kind, min, max, mean, ms, extra));
  }

  private static long millis(long start) {
    return (System.nanoTime() - start) / 1_000_000;
  }
}

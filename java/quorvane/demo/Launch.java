package quorvane.demo;

import java.io.IOException;
import java.lang.management.ManagementFactory;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

/**
 * Runs a main class again in a new JVM, with the simulated camera made monochrome or
 * colour. The simulator reads whether its sensor is colour from the environment variable
 * {@code QVSIM_COLOR} when the camera is brought up, and a JVM cannot change its own
 * environment, so a program that wants the other kind of simulated camera starts itself
 * again with the variable set. The new JVM gets the same JVM options (library path,
 * {@code -Xcheck:jni}, properties) and class path, and shares standard input and output.
 */
public final class Launch {
  /** The simulator's variable: 1 for a colour sensor. */
  public static final String COLOR_VARIABLE = "QVSIM_COLOR";
  /** Set in a relaunched JVM, so that it never relaunches itself once more. */
  private static final String CHILD_VARIABLE = "QUORVANE_RELAUNCHED";

  private Launch() {}

  /** True when the simulator of this JVM will bring a colour camera up. */
  public static boolean simulatesColor() {
    String value = System.getenv(COLOR_VARIABLE);
    return value != null && value.trim().equals("1");
  }

  /** True in a JVM that {@link #run} started. */
  public static boolean relaunched() {
    return System.getenv(CHILD_VARIABLE) != null;
  }

  /**
   * Runs {@code mainClass} with {@code args} in a new JVM whose simulator brings up a
   * colour camera when {@code color} is true, a monochrome one otherwise, and waits for
   * it.
   *
   * @return the new JVM's exit status
   */
  public static int run(Class<?> mainClass, boolean color, List<String> args)
      throws IOException, InterruptedException {
    List<String> command = new ArrayList<>();
    command.add(Path.of(System.getProperty("java.home"), "bin", "java").toString());
    command.addAll(ManagementFactory.getRuntimeMXBean().getInputArguments());
    command.add("-cp");
    command.add(System.getProperty("java.class.path"));
    command.add(mainClass.getName());
    command.addAll(args);
    ProcessBuilder builder = new ProcessBuilder(command).inheritIO();
    builder.environment().put(COLOR_VARIABLE, color ? "1" : "0");
    builder.environment().put(CHILD_VARIABLE, "1");
    return builder.start().waitFor();
  }
}

package quorvane.test;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;

/**
 * A small test runner: runs the {@link Test} methods of the suite classes named on the
 * command line, a new instance of the class for each, in the order of their names, and
 * prints one line per case and a closing "N passed, N failed, N skipped".
 *
 * <p>Exit status: 0 when nothing failed, 1 when something failed, 77 when every case was
 * skipped (CTest's skip code for these tests).
 */
public final class Runner {
  private Runner() {}

  public static void main(String[] args) throws Exception {
    int passed = 0;
    int failed = 0;
    int skipped = 0;
    for (String name : args) {
      Class<?> suite = Class.forName(name);
      List<Method> cases = new ArrayList<>();
      for (Method m : suite.getMethods()) {
        if (m.isAnnotationPresent(Test.class) && !Modifier.isStatic(m.getModifiers())) {
          cases.add(m);
        }
      }
      cases.sort(Comparator.comparing(Method::getName));
      for (Method m : cases) {
        String id = suite.getSimpleName() + "." + m.getName();
        try {
          m.invoke(suite.getDeclaredConstructor().newInstance());
          System.out.println("PASS " + id);
          passed++;
        } catch (InvocationTargetException e) {
          Throwable cause = e.getCause();
          if (cause instanceof Check.Skipped) {
            System.out.println("SKIP " + id + ": " + cause.getMessage());
            skipped++;
          } else {
            System.out.println("FAIL " + id + ": " + cause);
            cause.printStackTrace(System.out);
            failed++;
          }
        }
      }
    }
    System.out.println(passed + " passed, " + failed + " failed, " + skipped + " skipped");
    System.out.flush();
    System.exit(failed > 0 ? 1 : passed == 0 && skipped > 0 ? 77 : 0);
  }
}

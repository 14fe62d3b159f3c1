package velmora.varek.tests;

import java.io.PrintStream;
import org.junit.platform.console.ConsoleLauncher;
import org.junit.platform.console.ConsoleLauncherExecutionResult;
import org.junit.platform.launcher.listeners.TestExecutionSummary;

/** Entry point that the test host calls inside its embedded JVM: runs JUnit, returns its exit code. */
public final class TestMain {
  private TestMain() {}

  public static int run(String[] arguments) {
    // A thread that entered the JVM from native code has no context class loader; JUnit finds
    // the test classes through it.
    Thread.currentThread().setContextClassLoader(TestMain.class.getClassLoader());
    PrintStream out = System.out;
    ConsoleLauncherExecutionResult result = ConsoleLauncher.execute(out, System.err, arguments);
    result.getTestExecutionSummary().ifPresent(summary -> printTotals(out, summary));
    out.flush();
    return result.getExitCode();
  }

  private static void printTotals(PrintStream out, TestExecutionSummary summary) {
    long failed = summary.getTestsFailedCount() + summary.getContainersFailedCount();
    out.printf("%d passed, %d failed, %d skipped%n", summary.getTestsSucceededCount(), failed,
        summary.getTestsSkippedCount() + summary.getTestsAbortedCount());
  }
}

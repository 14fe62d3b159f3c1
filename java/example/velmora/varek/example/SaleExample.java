package velmora.varek.example;

import velmora.varek.VarekNativeCallsClass;
import velmora.varek.VarekResult;

/**
 * Runs one sale on a Varek printer: start, status, a receipt with two positions paid in cash,
 * then the receipt counters. A failed step cancels the receipt. The ten native methods include
 * no close of a document: an application closes the paid receipt through the C function
 * libCloseDocument, which works on the same session as the Java methods.
 *
 * <p>Usage: java -Djava.library.path=DIR -cp varek.jar:varek-example.jar
 * velmora.varek.example.SaleExample PORT [SPEED]
 *
 * <p>Amounts are in hundredths and quantities in thousandths (the driver's defaults after
 * openPort). Exits with 0 when every step succeeded, 1 otherwise.
 */
public final class SaleExample {
  private static final int SALE_RECEIPT = 1;
  private static final int CASH = 0;
  private static final int RECEIPT_COUNTER = 1;

  private SaleExample() {}

  public static void main(String[] args) {
    if (args.length < 1) {
      System.err.println("usage: SaleExample PORT [SPEED]");
      System.exit(2);
    }
    long speed = args.length > 1 ? Long.parseLong(args[1]) : 115200;
    System.exit(runSale(args[0], speed) ? 0 : 1);
  }

  static boolean runSale(String port, long speed) {
    if (!step("openPort", VarekNativeCallsClass.openPort(port, speed))) return false;
    if (!step("commandStart", VarekNativeCallsClass.commandStart())) return false;

    VarekResult flags = new VarekResult();
    if (!step("getStatusFlags", VarekNativeCallsClass.getStatusFlags(flags))) return false;
    System.out.printf("status flags: %d %d %d%n", flags.intParam01, flags.intParam02,
        flags.intParam03);

    // The header text goes to the printer in its own code page, Cyrillic included.
    boolean sold = step("libOpenDocument",
            VarekNativeCallsClass.libOpenDocument(SALE_RECEIPT, 0, "Кассир Иванова", 0))
        && step("libAddPosition",
            VarekNativeCallsClass.libAddPosition("Bread", "4600001", 1000, 89_90, 1, 0, 0))
        && step("libAddPosition",
            VarekNativeCallsClass.libAddPosition("Milk 1L", "4600002", 2000, 75_50, 1, 0, 0))
        && step("libSubTotal", VarekNativeCallsClass.libSubTotal())
        && step("libAddPayment", VarekNativeCallsClass.libAddPayment(CASH, 300_00, "Cash"));
    if (!sold) {
      // Leave no half-filled receipt open on the device.
      step("libCancelDocument", VarekNativeCallsClass.libCancelDocument());
      return false;
    }

    VarekResult counters = new VarekResult();
    if (!step("libGetCountersAndRegisters",
            VarekNativeCallsClass.libGetCountersAndRegisters(RECEIPT_COUNTER, counters))) {
      return false;
    }
    System.out.printf("receipt counter: %d%n", counters.intParam01);
    return step("closePort", VarekNativeCallsClass.closePort());
  }

  private static boolean step(String name, int result) {
    System.out.printf("%-27s %d%n", name, result);
    return result == 0;
  }
}

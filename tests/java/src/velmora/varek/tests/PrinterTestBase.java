package velmora.varek.tests;

import static org.junit.jupiter.api.Assertions.assertEquals;

import org.junit.jupiter.api.BeforeEach;
import velmora.varek.VarekNativeCallsClass;

/**
 * Every test starts on a freshly opened port, with no document open on the device and the
 * device giving its default answers.
 */
abstract class PrinterTestBase {
  static final long SPEED = 115200;

  @BeforeEach
  void openPrinter() {
    assertEquals(0, VarekNativeCallsClass.openPort(VirtualDevice.portPath(), SPEED));
    VirtualDevice.resetDevice();
    VarekNativeCallsClass.libCancelDocument();  // refused when no document is open: no matter
    VirtualDevice.clearTranscript();
  }

  /**
   * The device accepts these commands whatever the state of its document, for tests about the
   * bytes the bridge sends rather than about the rules of a sale.
   */
  static void deviceAccepts(int... commands) {
    for (int command : commands) VirtualDevice.setPayload(command, new String[0]);
  }
}

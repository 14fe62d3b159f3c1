package velmora.varek.tests;

import static org.junit.jupiter.api.Assertions.assertEquals;

import org.junit.jupiter.api.BeforeEach;
import velmora.varek.VarekNativeCallsClass;

/** Every test starts on a freshly opened port and a device with its default answers. */
abstract class PrinterTestBase {
  static final long SPEED = 115200;

  @BeforeEach
  void openPrinter() {
    assertEquals(0, VarekNativeCallsClass.openPort(VirtualDevice.portPath(), SPEED));
    VirtualDevice.resetDevice();
  }
}

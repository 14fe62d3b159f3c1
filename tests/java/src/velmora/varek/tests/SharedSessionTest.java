package velmora.varek.tests;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static velmora.varek.tests.Frames.assertReceived;
import static velmora.varek.tests.Frames.request;

import org.junit.jupiter.api.Test;
import velmora.varek.VarekNativeCallsClass;
import velmora.varek.VarekResult;

/** Java and C callers of one process drive the printer through the one session of the driver. */
class SharedSessionTest extends PrinterTestBase {
  @Test
  void aPortOpenedFromCServesJavaAndTheOtherWayRound() {
    VirtualDevice.setStatusFlags(4, 5, 6);
    assertEquals(0, VirtualDevice.cOpenPort(VirtualDevice.portPath(), 115200));
    VarekResult result = new VarekResult();
    assertEquals(0, VarekNativeCallsClass.getStatusFlags(result));
    assertEquals(6, result.intParam03);

    assertEquals(0, VarekNativeCallsClass.openPort(VirtualDevice.portPath(), 115200));
    int[] flags = new int[3];
    assertEquals(0, VirtualDevice.cGetStatusFlags(flags));
    assertArrayEquals(new int[] {4, 5, 6}, flags);
    assertReceived(request(0x00), request(0x00));
  }

  @Test
  void decimalPlacesSetFromCApplyToJavaAndJavaOpenPortResetsThem() {
    deviceAccepts(0x47);
    assertEquals(3, VirtualDevice.cSetAmountDecimalPlaces(3));
    assertEquals(0, VarekNativeCallsClass.libAddPayment(1, 1234, "Cash"));
    assertEquals(0, VarekNativeCallsClass.openPort(VirtualDevice.portPath(), 115200));
    assertEquals(2, VirtualDevice.cGetAmountDecimalPlaces());
    assertReceived(request(0x47, "1", "1.234", "Cash"));
  }

  @Test
  void batchModeSwitchedByJavaHoldsForC() {
    // A sale receipt (type 1) with the batch-mode bit.
    assertEquals(0, VarekNativeCallsClass.libOpenDocument(0x11, 0, "Batch", 0));
    VirtualDevice.pushSilence();
    assertEquals(0, VirtualDevice.cLibAddPosition(), "batch mode: the reply is not awaited");

    assertEquals(0, VarekNativeCallsClass.libCancelDocument());
    VirtualDevice.pushDeviceError(0x0B);
    assertEquals(11, VirtualDevice.cLibAddPosition(), "batch mode is off: the reply is read");
    assertEquals(4, VirtualDevice.requestCount());
  }
}

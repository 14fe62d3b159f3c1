package velmora.varek.tests;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static velmora.varek.tests.Frames.assertReceived;
import static velmora.varek.tests.Frames.request;
import static velmora.varek.tests.Frames.requestBytes;
import static velmora.varek.tests.Frames.text;

import java.nio.charset.StandardCharsets;
import java.time.LocalDateTime;
import java.time.format.DateTimeFormatter;
import java.util.function.IntSupplier;
import java.util.stream.Stream;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;
import velmora.varek.VarekNativeCallsClass;
import velmora.varek.VarekResult;

/** Each native method sends the request of the C operation it wraps and returns its result. */
class RequestBytesTest extends PrinterTestBase {
  static final long TWO_TO_32 = 1L << 32;

  @BeforeEach
  void acceptDocumentCommands() {
    deviceAccepts(0x30, 0x32, 0x42, 0x44, 0x47);
  }

  static Stream<Arguments> commands() {
    return Stream.of(
        Arguments.of("libOpenDocument",
            (IntSupplier) () -> VarekNativeCallsClass.libOpenDocument(1, 2, "Sale 42", 7),
            request(0x30, "1", "2", "Sale 42", "7")),
        Arguments.of("libOpenDocument narrows its bytes and long",
            (IntSupplier) () -> VarekNativeCallsClass.libOpenDocument(0x101, 300, "", TWO_TO_32 - 5),
            request(0x30, "1", "44", "", "-5")),
        Arguments.of("libAddPosition",
            (IntSupplier) () -> VarekNativeCallsClass.libAddPosition("Milk", "1L", 250, 990, 1, 2, 3),
            request(0x42, "Milk", "1L", "0.250", "9.90", "1", "2", "3")),
        Arguments.of("libAddPosition narrows quantity, amount and bytes",
            (IntSupplier) () -> VarekNativeCallsClass.libAddPosition(
                "A", "B", TWO_TO_32 + 1500, 3 * TWO_TO_32 + 199, 256, 257, -1),
            request(0x42, "A", "B", "1.500", "1.99", "0", "1", "255")),
        Arguments.of("libSubTotal", (IntSupplier) VarekNativeCallsClass::libSubTotal,
            request(0x44)),
        Arguments.of("libAddPayment",
            (IntSupplier) () -> VarekNativeCallsClass.libAddPayment(1, 5000, "Cash"),
            request(0x47, "1", "50.00", "Cash")),
        Arguments.of("libAddPayment narrows a negative long",
            (IntSupplier) () -> VarekNativeCallsClass.libAddPayment(0, -TWO_TO_32 - 5, "x"),
            request(0x47, "0", "-0.05", "x")),
        Arguments.of("libCancelDocument", (IntSupplier) VarekNativeCallsClass::libCancelDocument,
            request(0x32)));
  }

  @ParameterizedTest(name = "{0}")
  @MethodSource("commands")
  void sendsTheRequestAndReturnsTheDeviceResult(String name, IntSupplier call, byte[] expected) {
    assertEquals(0, call.getAsInt());
    assertReceived(expected);

    VirtualDevice.clearTranscript();
    VirtualDevice.pushDeviceError(0x0B);
    assertEquals(11, call.getAsInt(), "a device error comes back unchanged");
    assertReceived(expected);
  }

  @Test
  void positionAndPaymentTextsTravelAsModifiedUtf8Unconverted() {
    assertEquals(0, VarekNativeCallsClass.libAddPosition("Молоко", "€", 1000, 100, 0, 0, 0));
    assertEquals(0, VarekNativeCallsClass.libAddPayment(1, 100, "Карта"));
    assertReceived(
        requestBytes(0x42, "Молоко".getBytes(StandardCharsets.UTF_8), "€".getBytes(StandardCharsets.UTF_8),
            text("1.000"), text("1.00"), text("0"), text("0"), text("0")),
        requestBytes(0x47, text("1"), text("1.00"), "Карта".getBytes(StandardCharsets.UTF_8)));
  }

  @Test
  void nullTextsTravelAsEmptyFields() {
    assertEquals(0, VarekNativeCallsClass.libAddPosition(null, null, 1000, 100, 0, 0, 0));
    assertEquals(0, VarekNativeCallsClass.libAddPayment(1, 100, null));
    assertEquals(0, VarekNativeCallsClass.libOpenDocument(1, 0, null, 0));
    assertReceived(request(0x42, "", "", "1.000", "1.00", "0", "0", "0"),
        request(0x47, "1", "1.00", ""), request(0x30, "1", "0", "", "0"));
  }

  @Test
  void commandStartSendsTheHostDateAndTime() {
    LocalDateTime before = LocalDateTime.now().withNano(0);
    assertEquals(0, VarekNativeCallsClass.commandStart());
    LocalDateTime after = LocalDateTime.now().withNano(0);

    assertEquals(1, VirtualDevice.requestCount());
    byte[] sent = VirtualDevice.requestFrame(0);
    boolean matched = false;
    for (LocalDateTime t = before; !t.isAfter(after) && !matched; t = t.plusSeconds(1)) {
      byte[] expected = request(0x10, t.format(DateTimeFormatter.ofPattern("ddMMyy")),
          t.format(DateTimeFormatter.ofPattern("HHmmss")));
      matched = java.util.Arrays.equals(expected, sent);
    }
    assertTrue(matched, "start request " + Frames.show(sent) + " carries a time between " + before
        + " and " + after);
  }

  @Test
  void getStatusFlagsWritesTheThreeFlagsOnly() {
    VirtualDevice.setStatusFlags(5, -6, 70000);
    VarekResult result = filled(-1);

    assertEquals(0, VarekNativeCallsClass.getStatusFlags(result));
    assertReceived(request(0x00));
    int[] expected = new int[16];
    java.util.Arrays.fill(expected, -1);
    expected[0] = 5;
    expected[1] = -6;
    expected[2] = 70000;
    assertArrayEquals(expected, result.values());
  }

  @Test
  void getStatusFlagsLeavesTheFieldsOnAnErrorReply() {
    VarekResult result = filled(-1);
    VirtualDevice.pushDeviceError(0x0B);
    assertEquals(11, VarekNativeCallsClass.getStatusFlags(result));
    VirtualDevice.setPayload(0x00, new String[] {"1", "2", "3", "4"});
    assertEquals(1010, VarekNativeCallsClass.getStatusFlags(result), "four fields");
    assertArrayEquals(filled(-1).values(), result.values());
  }

  @Test
  void closePortReturnsZeroAndTheDeviceIsStillReached() {
    assertEquals(0, VarekNativeCallsClass.closePort());
    assertEquals(0, VirtualDevice.requestCount(), "closing sends nothing");
    assertEquals(0, VarekNativeCallsClass.getStatusFlags(new VarekResult()));
    assertReceived(request(0x00));
  }

  @Test
  void openPortNarrowsTheSpeedToItsLow32Bits() {
    assertEquals(0, VarekNativeCallsClass.openPort(VirtualDevice.portPath(), TWO_TO_32 + 9600));
    assertEquals(9600, VirtualDevice.lineSpeed());
    assertEquals(0, VarekNativeCallsClass.getStatusFlags(new VarekResult()));

    assertEquals(0, VarekNativeCallsClass.openPort(VirtualDevice.portPath(), -TWO_TO_32 + 19200));
    assertEquals(19200, VirtualDevice.lineSpeed());
  }

  @Test
  void openPortReportsAPortThatCannotBeOpened() {
    assertEquals(2001, VarekNativeCallsClass.openPort("/nonexistent/varek-port", SPEED));
    assertEquals(2000, VarekNativeCallsClass.libSubTotal(), "no port is held after a failed open");
  }

  static VarekResult filled(int value) {
    VarekResult result = new VarekResult();
    for (int i = 1; i <= 16; ++i) Fields.set(result, i, value);
    return result;
  }
}

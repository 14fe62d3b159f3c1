package velmora.varek.tests;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static velmora.varek.tests.Frames.assertReceived;
import static velmora.varek.tests.Frames.request;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;
import org.junit.jupiter.params.provider.ValueSource;
import velmora.varek.VarekNativeCallsClass;
import velmora.varek.VarekResult;

/** libGetCountersAndRegisters writes exactly the values its selector yields, and only on success. */
class CountersTest extends PrinterTestBase {
  static final int UNTOUCHED = -7;

  /** Kinds of values: I integer, A amount, R register table (text, then integer/amount pairs). */
  @ParameterizedTest(name = "selector {0}: {1} values of kind {2}")
  @CsvSource({"1, 1, I", "2, 1, I", "3, 16, A", "4, 16, I", "5, 16, A", "6, 16, I", "7, 6, I",
      "8, 4, A", "9, 4, A", "10, 6, A", "11, 6, A", "12, 12, R", "13, 16, A", "14, 16, A"})
  void writesExactlyTheSelectorsValues(int selector, int count, char kind) {
    List<String> payload = new ArrayList<>(List.of(Integer.toString(selector)));
    if (kind == 'R') payload.add("Department registers");
    int[] expected = new int[16];
    Arrays.fill(expected, UNTOUCHED);
    for (int i = 0; i < count; ++i) {
      boolean amount = kind == 'A' || (kind == 'R' && i % 2 == 1);
      int value = 100 * (i + 1) + 3 * selector;
      payload.add(amount ? String.format("%d.%02d", value / 100, value % 100) : Integer.toString(value));
      expected[i] = value;
    }
    VirtualDevice.setPayload(0x01, payload.toArray(new String[0]));
    VarekResult result = RequestBytesTest.filled(UNTOUCHED);

    assertEquals(0, VarekNativeCallsClass.libGetCountersAndRegisters(selector, result));
    assertReceived(request(0x01, Integer.toString(selector)));
    assertArrayEquals(expected, result.values());
  }

  @ParameterizedTest
  @ValueSource(ints = {0, 15, 20, -1, 256 + 3})
  void aSelectorOutside1To14Returns1011AndSendsNothing(int selector) {
    VarekResult result = RequestBytesTest.filled(UNTOUCHED);
    assertEquals(1011, VarekNativeCallsClass.libGetCountersAndRegisters(selector, result));
    assertEquals(0, VirtualDevice.requestCount());
    assertArrayEquals(RequestBytesTest.filled(UNTOUCHED).values(), result.values());
  }

  @Test
  void failuresLeaveTheFieldsUnchanged() {
    VarekResult result = RequestBytesTest.filled(UNTOUCHED);
    VirtualDevice.pushDeviceError(0x0B);
    assertEquals(11, VarekNativeCallsClass.libGetCountersAndRegisters(8, result), "device error");
    VirtualDevice.setPayload(0x01, new String[] {"4", "1", "2"});
    assertEquals(1010, VarekNativeCallsClass.libGetCountersAndRegisters(4, result), "field count");
    VarekNativeCallsClass.openPort("/nonexistent/varek-port", SPEED);
    assertEquals(2000, VarekNativeCallsClass.libGetCountersAndRegisters(1, result), "no port");
    assertArrayEquals(RequestBytesTest.filled(UNTOUCHED).values(), result.values());
  }

  @Test
  void amountsFollowTheSessionsDecimalPlaces() {
    VirtualDevice.setPayload(0x01, new String[] {"8", "12.5", "0.01", "-3", "7.999"});
    VirtualDevice.cSetAmountDecimalPlaces(3);
    VarekResult result = RequestBytesTest.filled(UNTOUCHED);
    assertEquals(0, VarekNativeCallsClass.libGetCountersAndRegisters(8, result));
    assertArrayEquals(new int[] {12500, 10, -3000, 7999},
        Arrays.copyOf(result.values(), 4));
  }
}

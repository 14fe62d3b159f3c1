package velmora.varek.tests;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import org.junit.jupiter.api.Test;
import velmora.varek.VarekNativeCallsClass;

/**
 * Any object whose class declares the int fields will do as a result object; one that lacks a
 * field raises NoSuchFieldError before anything is sent, and nothing is written.
 */
class ResultObjectTest extends PrinterTestBase {
  /** Declares only the three fields getStatusFlags needs. */
  static class ThreeFields {
    int intParam01 = -1;
    int intParam02 = -1;
    int intParam03 = -1;
  }

  /** Sixteen fields, but the eighth is a long. */
  static class WrongType {
    int intParam01, intParam02, intParam03, intParam04, intParam05, intParam06, intParam07;
    long intParam08;
    int intParam09, intParam10, intParam11, intParam12, intParam13, intParam14, intParam15;
    int intParam16;
  }

  /** The fields come from a superclass. */
  static class Inherited extends velmora.varek.VarekResult {}

  static class TwoFields {
    int intParam01 = -1;
    int intParam02 = -1;
  }

  @Test
  void getStatusFlagsNeedsOnlyTheFirstThreeFields() {
    VirtualDevice.setStatusFlags(1, 2, 3);
    ThreeFields result = new ThreeFields();
    assertEquals(0, VarekNativeCallsClass.getStatusFlags(result));
    assertEquals(3, result.intParam03);

    Inherited inherited = new Inherited();
    assertEquals(0, VarekNativeCallsClass.getStatusFlags(inherited));
    assertEquals(2, inherited.intParam02);
  }

  @Test
  void aMissingFieldRaisesNoSuchFieldErrorAndSendsNothing() {
    TwoFields two = new TwoFields();
    assertThrows(NoSuchFieldError.class, () -> VarekNativeCallsClass.getStatusFlags(two));
    assertEquals(-1, two.intParam01);

    ThreeFields three = new ThreeFields();
    assertThrows(NoSuchFieldError.class,
        () -> VarekNativeCallsClass.libGetCountersAndRegisters(1, three));
    assertEquals(-1, three.intParam01);

    WrongType wrong = new WrongType();
    assertThrows(NoSuchFieldError.class,
        () -> VarekNativeCallsClass.libGetCountersAndRegisters(1, wrong));
    // The fields are looked up before the selector is tested.
    assertThrows(NoSuchFieldError.class,
        () -> VarekNativeCallsClass.libGetCountersAndRegisters(20, "not a result object"));
    assertEquals(0, wrong.intParam01);
    assertEquals(0, VirtualDevice.requestCount());

    // The bridge is usable right afterwards.
    assertEquals(0, VarekNativeCallsClass.getStatusFlags(three));
  }

  @Test
  void aNullResultObjectRaisesNullPointerExceptionAndSendsNothing() {
    assertThrows(NullPointerException.class, () -> VarekNativeCallsClass.getStatusFlags(null));
    assertThrows(NullPointerException.class,
        () -> VarekNativeCallsClass.libGetCountersAndRegisters(1, null));
    assertEquals(0, VirtualDevice.requestCount());
  }
}

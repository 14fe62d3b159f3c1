package velmora.varek;

/**
 * The values of {@link VarekNativeCallsClass#getStatusFlags} and
 * {@link VarekNativeCallsClass#libGetCountersAndRegisters}: field "intParam01" receives the
 * first value, "intParam02" the second, and so on.
 */
public class VarekResult {
  public int intParam01;
  public int intParam02;
  public int intParam03;
  public int intParam04;
  public int intParam05;
  public int intParam06;
  public int intParam07;
  public int intParam08;
  public int intParam09;
  public int intParam10;
  public int intParam11;
  public int intParam12;
  public int intParam13;
  public int intParam14;
  public int intParam15;
  public int intParam16;

  /** The sixteen fields in order, intParam01 first. */
  public int[] values() {
    return new int[] {
      intParam01, intParam02, intParam03, intParam04, intParam05, intParam06, intParam07, intParam08,
      intParam09, intParam10, intParam11, intParam12, intParam13, intParam14, intParam15, intParam16
    };
  }
}

package velmora.varek;

/**
 * The Varek fiscal printer driver for Java: ten native methods of libVarekLib, enough to drive a
 * sale. Every method returns the driver's result code: 0 on success, 1 to 255 the device's own
 * error code, 1001 and up the driver's codes (see VarekLib.h).
 *
 * <p>Java and C callers of one process share the driver's single session (its port, decimal
 * places and batch mode). The driver has no locks: call it from one thread at a time.
 *
 * <p>A {@code long} amount, quantity or speed is passed on as its low 32 bits; an {@code int}
 * byte parameter as its low 8 bits. Amounts and quantities are fixed-point integers scaled by the
 * session's decimal places (after {@link #openPort}: amounts 2, quantities 3).
 *
 * <p>The library is loaded from the path in the system property {@code varek.library} when it is
 * set, otherwise as "VarekLib" from {@code java.library.path}.
 */
public final class VarekNativeCallsClass {
  static {
    String path = System.getProperty("varek.library");
    if (path != null && !path.isEmpty()) {
      System.load(path);
    } else {
      System.loadLibrary("VarekLib");
    }
  }

  private VarekNativeCallsClass() {}

  /** Opens and configures the serial port (8N1) and resets the session's settings. */
  public static native int openPort(String portName, long baudRate);

  /** Returns 0; the port stays held by the session. */
  public static native int closePort();

  /** Sends the start command with the host's date and time. */
  public static native int commandStart();

  /**
   * Opens a fiscal document. Bit 0x10 of {@code documentType} switches batch mode on. The text is
   * sent in the printer's code page (CP866): characters it lacks are printed as '?'.
   */
  public static native int libOpenDocument(int documentType, int byteParam, String text, long value);

  /** Switches batch mode off and cancels the open document. */
  public static native int libCancelDocument();

  /** Adds a sale position; the texts are sent as the JVM's modified UTF-8, unconverted. */
  public static native int libAddPosition(String text1, String text2, long quantity, long amount,
      int byteParam1, int byteParam2, int byteParam3);

  /** Forms the subtotal of the open document. */
  public static native int libSubTotal();

  /** Adds a payment; the text is sent unconverted. */
  public static native int libAddPayment(int byteParam, long amount, String text);

  /**
   * Reads the three status flags into the int fields "intParam01" to "intParam03" of
   * {@code resultObject} (any object whose class declares them, e.g. {@link VarekResult}). The
   * fields are written only when the result is 0. A class lacking one of the fields raises
   * NoSuchFieldError before anything is sent.
   */
  public static native int getStatusFlags(Object resultObject);

  /**
   * Reads the counters or registers chosen by {@code counterType} (1 to 14; any other value
   * returns 1011 and sends nothing) into the first N of the sixteen int fields "intParam01" to
   * "intParam16" of {@code resultObject}; the other fields keep their values. The fields are
   * written only when the result is 0. A class lacking one of the sixteen fields raises
   * NoSuchFieldError before anything is sent.
   */
  public static native int libGetCountersAndRegisters(int counterType, Object resultObject);
}

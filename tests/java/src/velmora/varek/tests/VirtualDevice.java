package velmora.varek.tests;

/**
 * The virtual printer and the driver's C functions, reached from the tests. The test host
 * registers these native methods before the tests start; it runs the printer on a
 * pseudo-terminal in the same process.
 */
final class VirtualDevice {
  private VirtualDevice() {}

  static native String portPath();

  /** Forgets the requests received so far. */
  static native void clearTranscript();

  static native int requestCount();

  /** The bytes of a request received since the last clearTranscript, from STX to the checksum. */
  static native byte[] requestFrame(int index);

  /** The device answers the next request with this error code. */
  static native void pushDeviceError(int code);

  /** The device does not answer the next request. */
  static native void pushSilence();

  /** The device answers every request with this command code with these payload fields. */
  static native void setPayload(int command, String[] fields);

  /** Back to the register model's answers, no faults queued, transcript cleared. */
  static native void resetDevice();

  static native void setStatusFlags(int flags1, int flags2, int flags3);

  /** The speed that the driver set on the line, in bits per second. */
  static native int lineSpeed();

  static native String paper();

  // The driver's C functions, on the session the Java methods use.
  static native int cOpenPort(String path, int baudRate);

  static native int cGetStatusFlags(int[] flags);

  static native int cSetAmountDecimalPlaces(int places);

  static native int cGetAmountDecimalPlaces();

  /** libAddPosition("C", "", 1000, 100, 0, 0, 0) from C. */
  static native int cLibAddPosition();
}

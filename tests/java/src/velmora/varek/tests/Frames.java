package velmora.varek.tests;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;

/** Request frames as the printer expects them on the line, and checks against what it received. */
final class Frames {
  private Frames() {}

  /** A field given as text: its characters below 256 as single bytes. */
  static byte[] text(String text) {
    return text.getBytes(StandardCharsets.ISO_8859_1);
  }

  /** STX "QZKV" packet id 0, the command as two hex digits, fields each ended by FS, ETX, XOR. */
  static byte[] requestBytes(int command, byte[]... fields) {
    ByteArrayOutputStream frame = new ByteArrayOutputStream();
    frame.write(0x02);
    frame.writeBytes(text("QZKV"));
    frame.write(0x00);
    frame.writeBytes(text(String.format("%02X", command)));
    for (byte[] field : fields) {
      frame.writeBytes(field);
      frame.write(0x1C);
    }
    frame.write(0x03);
    byte[] bytes = frame.toByteArray();
    int checksum = 0;
    for (int i = 1; i < bytes.length; ++i) checksum ^= bytes[i] & 0xFF;
    frame.writeBytes(text(String.format("%02X", checksum)));
    return frame.toByteArray();
  }

  static byte[] request(int command, String... fields) {
    byte[][] bytes = new byte[fields.length][];
    for (int i = 0; i < fields.length; ++i) bytes[i] = text(fields[i]);
    return requestBytes(command, bytes);
  }

  /** The device received exactly these requests since the transcript was last cleared. */
  static void assertReceived(byte[]... expected) {
    assertEquals(expected.length, VirtualDevice.requestCount(), "number of requests received");
    for (int i = 0; i < expected.length; ++i) {
      assertEquals(show(expected[i]), show(VirtualDevice.requestFrame(i)), "request " + i);
    }
  }

  /** Printable ASCII as it is, every other byte as <XX>. */
  static String show(byte[] bytes) {
    if (bytes == null) return "(no request)";
    StringBuilder text = new StringBuilder();
    for (byte b : bytes) {
      int value = b & 0xFF;
      if (value >= 0x20 && value < 0x7F) {
        text.append((char) value);
      } else {
        text.append(String.format("<%02X>", value));
      }
    }
    return text.toString();
  }
}

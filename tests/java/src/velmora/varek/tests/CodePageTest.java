package velmora.varek.tests;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static velmora.varek.tests.Frames.assertReceived;
import static velmora.varek.tests.Frames.requestBytes;
import static velmora.varek.tests.Frames.text;

import java.nio.charset.Charset;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;
import velmora.varek.VarekNativeCallsClass;

/**
 * The document text of libOpenDocument reaches the printer in its code page, CP866: one byte per
 * character, '?' for a character the code page lacks. The other texts are not converted.
 */
class CodePageTest extends PrinterTestBase {
  static final Charset CP866 = Charset.forName("IBM866");

  @BeforeEach
  void acceptOpenDocument() {
    deviceAccepts(0x30);
  }

  static void assertOpenDocumentSends(String text, byte[] expected) {
    VirtualDevice.clearTranscript();
    assertEquals(0, VarekNativeCallsClass.libOpenDocument(1, 0, text, 0));
    assertReceived(requestBytes(0x30, text("1"), text("0"), expected, text("0")));
  }

  @Test
  void asciiPassesUnchanged() {
    String ascii = "Receipt 0123456789 abc XYZ !#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
    assertOpenDocumentSends(ascii, text(ascii));
  }

  @ParameterizedTest(name = "{0}")
  @CsvSource({
      // Cyrillic capitals, small letters from both halves of the code page, Ё ё and №.
      "'Чек №5', '97 A5 AA 20 FC 35'",
      "'Ёлка ёж', 'F0 AB AA A0 20 F1 A6'",
      "'АЯапря', '80 9F A0 AF E0 EF'",
      // Characters the code page lacks: one '?' each, a surrogate pair counting as one.
      "'€ü', '3F 3F'",
      "'a😀b', '61 3F 62'",
      // Box drawing, degree sign and the no-break space of the upper half.
      "'╔═╗°\u00A0', 'C9 CD BB F8 FF'"})
  void cyrillicAndUnmappableCharacters(String text, String hex) {
    String[] parts = hex.split(" ");
    byte[] expected = new byte[parts.length];
    for (int i = 0; i < parts.length; ++i) expected[i] = (byte) Integer.parseInt(parts[i], 16);
    assertOpenDocumentSends(text, expected);
  }

  @Test
  void loneSurrogatesAndNulBecomeQuestionMarks() {
    assertOpenDocumentSends("a\uD800b\uDC00c\u0000d", text("a?b?c?d"));
  }

  @Test
  void everyBasicPlaneCharacterIsEncodedAsTheCp866CharsetDoes() {
    // Java's own CP866 encoder is the reference; it too writes '?' for what it cannot map.
    StringBuilder chunk = new StringBuilder();
    for (int c = 0x80; c <= 0xFFFF; ++c) {
      if (Character.isSurrogate((char) c)) continue;
      chunk.append((char) c);
      if (chunk.length() == 2000 || c == 0xFFFF) {
        assertOpenDocumentSends(chunk.toString(), chunk.toString().getBytes(CP866));
        chunk.setLength(0);
      }
    }
  }

  @Test
  void aTextLongerThanAFrameIsRefusedAsTooLong() {
    String longText = "Ж".repeat(5000);
    assertEquals(1012, VarekNativeCallsClass.libOpenDocument(1, 0, longText, 0));
    assertEquals(0, VirtualDevice.requestCount());
  }
}

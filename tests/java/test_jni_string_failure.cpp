// A Java String that the JVM cannot hand over (GetStringUTFChars returns NULL
// with an OutOfMemoryError pending) must end the native call at once: nothing
// sent to the printer, every text obtained so far released. A real JVM cannot
// be made to fail that allocation on demand, so a minimal JNI function table
// stands in for it.
#include <jni.h>

#include <string>
#include <vector>

#include "support/printer_fixture.h"

extern "C" {
jint Java_velmora_varek_VarekNativeCallsClass_openPort(JNIEnv*, jclass, jstring, jlong);
jint Java_velmora_varek_VarekNativeCallsClass_libAddPosition(JNIEnv*, jclass, jstring, jstring,
                                                             jlong, jlong, jint, jint, jint);
jint Java_velmora_varek_VarekNativeCallsClass_libAddPayment(JNIEnv*, jclass, jint, jlong, jstring);
}

namespace {

// A Java String as the fake JVM sees it.
struct FakeString {
  const char* utf;
  bool unavailable;  // the JVM has no memory for its bytes
};

int obtained = 0;
int released = 0;

const char* JNICALL getStringUTFChars(JNIEnv*, jstring string, jboolean*) {
  auto* fake = reinterpret_cast<FakeString*>(string);
  if (fake->unavailable) return nullptr;
  ++obtained;
  return fake->utf;
}

void JNICALL releaseStringUTFChars(JNIEnv*, jstring string, const char* chars) {
  EXPECT_EQ(chars, reinterpret_cast<FakeString*>(string)->utf);
  ++released;
}

class JniStringFailureTest : public varek::test::PrinterTest {
 protected:
  void SetUp() override {
    PrinterTest::SetUp();
    functions.GetStringUTFChars = &getStringUTFChars;
    functions.ReleaseStringUTFChars = &releaseStringUTFChars;
    env.functions = &functions;
    obtained = 0;
    released = 0;
    printer.clearTranscript();
  }

  static jstring java(FakeString& fake) { return reinterpret_cast<jstring>(&fake); }

  JNINativeInterface_ functions{};
  JNIEnv env{};
  FakeString good{"Milk", false};
  FakeString good2{"1L", false};
  FakeString missing{"never read", true};
};

TEST_F(JniStringFailureTest, AnUnavailableStringEndsTheCallWithNothingSentAndTextsReleased) {
  struct Case {
    const char* name;
    jint (*call)(JNIEnv*, FakeString&, FakeString&, FakeString&);
  };
  const Case cases[] = {
      {"position, first text",
       [](JNIEnv* e, FakeString&, FakeString& g2, FakeString& m) {
         return Java_velmora_varek_VarekNativeCallsClass_libAddPosition(
             e, nullptr, java(m), java(g2), 1000, 100, 0, 0, 0);
       }},
      {"position, second text",
       [](JNIEnv* e, FakeString& g, FakeString&, FakeString& m) {
         return Java_velmora_varek_VarekNativeCallsClass_libAddPosition(
             e, nullptr, java(g), java(m), 1000, 100, 0, 0, 0);
       }},
      {"payment",
       [](JNIEnv* e, FakeString&, FakeString&, FakeString& m) {
         return Java_velmora_varek_VarekNativeCallsClass_libAddPayment(e, nullptr, 0, 100, java(m));
       }},
      {"open port",
       [](JNIEnv* e, FakeString&, FakeString&, FakeString& m) {
         return Java_velmora_varek_VarekNativeCallsClass_openPort(e, nullptr, java(m), 9600);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    obtained = released = 0;
    EXPECT_NE(c.call(&env, good, good2, missing), VAREK_OK);
    EXPECT_EQ(obtained, released);
    EXPECT_EQ(printer.requestCount(), 0u);
  }
  // The port is still the one opened before: the failed openPort changed nothing.
  printer.setPayload(0x44, {});
  EXPECT_EQ(libSubTotal(), VAREK_OK) << "the session still holds its port";
}

TEST_F(JniStringFailureTest, TextsAreReleasedAfterTheRequestWasSent) {
  printer.setPayload(0x42, {});
  EXPECT_EQ(Java_velmora_varek_VarekNativeCallsClass_libAddPosition(
                &env, nullptr, java(good), java(good2), 1000, 100, 0, 0, 0),
            VAREK_OK);
  EXPECT_EQ(obtained, 2);
  EXPECT_EQ(released, 2);
  EXPECT_EQ(lastRequestFrame(),
            varek::test::requestFrame(0x42, {"Milk", "1L", "1.000", "1.00", "0", "0", "0"}));
}

}  // namespace

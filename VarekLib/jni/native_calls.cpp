// The native methods of the Java class velmora.varek.VarekNativeCallsClass:
// enough to drive a sale from Java. Each one turns its Java arguments into
// those of the matching C operation, runs it on the one session that C callers
// of the process share, and returns its result code. The receiver (class or
// instance) is never used, so the methods may be declared static or not.
#if defined(VAREK_HAVE_JNI)

#include <jni.h>

#include <cstdint>

#include "VarekLib.h"
#include "commands/counters.h"
#include "jni/java_text.h"
#include "jni/result_fields.h"

namespace varek::jni {

namespace {

// What a native method returns when it ends with a Java exception pending;
// the Java caller never sees it, the exception is thrown instead.
constexpr jint kExceptionPending = VAREK_ERR_NO_MEMORY;

// A Java long as the C operations take it: its low 32 bits, as a signed int.
int32_t low32(jlong value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// A Java int for an unsigned char parameter: its low 8 bits, as C would pass it.
unsigned char low8(jint value) {
  return static_cast<unsigned char>(static_cast<uint32_t>(value) & 0xFFu);
}

}  // namespace

}  // namespace varek::jni

using varek::jni::kExceptionPending;
using varek::jni::low32;
using varek::jni::low8;
using varek::jni::ModifiedUtf8Text;
using varek::jni::OemText;
using varek::jni::ResultFields;

extern "C" {

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_openPort(JNIEnv* env, jclass,
                                                                         jstring portName,
                                                                         jlong baudRate) {
  ModifiedUtf8Text name(env, portName);
  if (name.failed()) return kExceptionPending;
  return openPort(name.get(), low32(baudRate));
}

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_closePort(JNIEnv*, jclass) {
  return closePort();
}

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_commandStart(JNIEnv*, jclass) {
  return commandStart();
}

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_libOpenDocument(
    JNIEnv* env, jclass, jint documentType, jint byteParam, jstring text, jlong value) {
  // The receipt header is printed by the device's character generator, so it
  // goes in the OEM code page rather than as the JVM's modified UTF-8.
  OemText oemText(env, text);
  return libOpenDocument(low8(documentType), low8(byteParam), oemText.get(), low32(value));
}

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_libCancelDocument(JNIEnv*, jclass) {
  return libCancelDocument();
}

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_libAddPosition(
    JNIEnv* env, jclass, jstring text1, jstring text2, jlong quantity, jlong amount,
    jint byteParam1, jint byteParam2, jint byteParam3) {
  ModifiedUtf8Text first(env, text1);
  if (first.failed()) return kExceptionPending;
  ModifiedUtf8Text second(env, text2);
  if (second.failed()) return kExceptionPending;
  return libAddPosition(first.get(), second.get(), low32(quantity), low32(amount), low8(byteParam1),
                        low8(byteParam2), low8(byteParam3));
}

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_libSubTotal(JNIEnv*, jclass) {
  return libSubTotal();
}

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_libAddPayment(JNIEnv* env, jclass,
                                                                              jint byteParam,
                                                                              jlong amount,
                                                                              jstring text) {
  ModifiedUtf8Text paymentText(env, text);
  if (paymentText.failed()) return kExceptionPending;
  return libAddPayment(low8(byteParam), low32(amount), paymentText.get());
}

JNIEXPORT jint JNICALL
Java_velmora_varek_VarekNativeCallsClass_getStatusFlags(JNIEnv* env, jclass, jobject resultObject) {
  const ResultFields fields(env, resultObject, 3);
  if (!fields.valid()) return kExceptionPending;
  int32_t flags[3] = {0, 0, 0};
  const int32_t result = getStatusFlags(&flags[0], &flags[1], &flags[2]);
  if (result != VAREK_OK) return result;
  fields.write(flags, 3);
  return VAREK_OK;
}

JNIEXPORT jint JNICALL Java_velmora_varek_VarekNativeCallsClass_libGetCountersAndRegisters(
    JNIEnv* env, jclass, jint counterType, jobject resultObject) {
  const ResultFields fields(env, resultObject, varek::jni::kMaxResultFields);
  if (!fields.valid()) return kExceptionPending;
  const int32_t count = varek::counterValueCount(counterType);
  if (count == 0) return VAREK_ERR_COUNTER_TYPE;
  int32_t values[varek::jni::kMaxResultFields] = {};
  const int32_t result = getCountersAndRegisters(counterType, values);
  if (result != VAREK_OK) return result;
  fields.write(values, static_cast<std::size_t>(count));
  return VAREK_OK;
}

}  // extern "C"

#endif  // VAREK_HAVE_JNI

// Texts handed in by the Java virtual machine, held for the duration of one
// native call.
#pragma once

#if defined(VAREK_HAVE_JNI)

#include <jni.h>

#include <cstddef>

namespace varek::jni {

// The modified UTF-8 bytes of a Java String, released when the call ends on
// every path. A null String stays a null text (the request then carries an
// empty field, as for a C caller passing NULL). When the JVM cannot provide
// the bytes, failed() is true and its OutOfMemoryError is pending.
class ModifiedUtf8Text {
 public:
  ModifiedUtf8Text(JNIEnv* env, jstring string);
  ~ModifiedUtf8Text();
  ModifiedUtf8Text(const ModifiedUtf8Text&) = delete;
  ModifiedUtf8Text& operator=(const ModifiedUtf8Text&) = delete;

  const char* get() const { return chars_; }
  bool failed() const { return failed_; }

 private:
  JNIEnv* env_;
  jstring string_;
  const char* chars_ = nullptr;
  bool failed_ = false;
};

// A Java String's characters encoded in the OEM code page, one byte per
// character, for the device's character generator. Texts longer than the
// request frame are cut at the frame's size: such a request is refused as too
// long whether or not the rest is there. Reads the UTF-16 characters straight
// into a buffer of its own, so the JVM allocates nothing and cannot fail.
class OemText {
 public:
  OemText(JNIEnv* env, jstring string);
  OemText(const OemText&) = delete;
  OemText& operator=(const OemText&) = delete;

  const char* get() const { return isNull_ ? nullptr : bytes_; }

 private:
  static constexpr std::size_t kMaxChars = 4096;
  bool isNull_ = true;
  char bytes_[kMaxChars + 1] = {};
};

}  // namespace varek::jni

#endif  // VAREK_HAVE_JNI

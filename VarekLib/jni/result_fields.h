// The int fields "intParam01" to "intParam16" of a Java result object, through
// which the queries hand their values back.
#pragma once

#if defined(VAREK_HAVE_JNI)

#include <jni.h>

#include <cstddef>
#include <cstdint>

namespace varek::jni {

inline constexpr std::size_t kMaxResultFields = 16;

// The first `count` fields of the object's class, looked up afresh on every
// call so that any class with these fields will do. When the object is null
// or its class lacks a field, valid() is false and a NullPointerException or
// NoSuchFieldError is pending; nothing may be sent to the device then.
class ResultFields {
 public:
  ResultFields(JNIEnv* env, jobject object, std::size_t count);
  ~ResultFields();
  ResultFields(const ResultFields&) = delete;
  ResultFields& operator=(const ResultFields&) = delete;

  bool valid() const { return valid_; }
  // Writes values[0 .. count) to the fields in ascending order; count must not
  // exceed the number looked up.
  void write(const int32_t* values, std::size_t count) const;

 private:
  JNIEnv* env_;
  jobject object_;
  jclass class_ = nullptr;
  jfieldID ids_[kMaxResultFields] = {};
  bool valid_ = false;
};

}  // namespace varek::jni

#endif  // VAREK_HAVE_JNI

#include "jni/java_text.h"

#if defined(VAREK_HAVE_JNI)

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "platform/codepage.h"
#include "protocol/session.h"

namespace varek::jni {

static_assert(std::is_same_v<jchar, uint16_t>, "JNI characters are UTF-16 code units");

ModifiedUtf8Text::ModifiedUtf8Text(JNIEnv* env, jstring string) : env_(env), string_(string) {
  if (string == nullptr) return;
  chars_ = env->GetStringUTFChars(string, nullptr);
  failed_ = chars_ == nullptr;
}

ModifiedUtf8Text::~ModifiedUtf8Text() {
  if (chars_ != nullptr) env_->ReleaseStringUTFChars(string_, chars_);
}

OemText::OemText(JNIEnv* env, jstring string) {
  if (string == nullptr) return;
  isNull_ = false;
  static_assert(kMaxChars >= kFrameCapacity, "a cut text must still overflow the frame");
  const jsize length = env->GetStringLength(string);
  const jsize taken = std::min<jsize>(length, static_cast<jsize>(kMaxChars));
  jchar units[kMaxChars];
  env->GetStringRegion(string, 0, taken, units);
  const size_t written = platform::encodeOemText(units, static_cast<size_t>(taken), bytes_);
  bytes_[written] = '\0';
}

}  // namespace varek::jni

#endif  // VAREK_HAVE_JNI

#include "jni/result_fields.h"

#if defined(VAREK_HAVE_JNI)

namespace varek::jni {

namespace {

// "intParam01" .. "intParam16".
void fieldName(std::size_t index, char (&name)[11]) {
  const char prefix[] = "intParam";
  for (std::size_t i = 0; i < 8; ++i) name[i] = prefix[i];
  const std::size_t number = index + 1;
  name[8] = static_cast<char>('0' + number / 10);
  name[9] = static_cast<char>('0' + number % 10);
  name[10] = '\0';
}

}  // namespace

ResultFields::ResultFields(JNIEnv* env, jobject object, std::size_t count)
    : env_(env), object_(object) {
  if (object == nullptr) {
    jclass npe = env->FindClass("java/lang/NullPointerException");
    if (npe != nullptr) {
      env->ThrowNew(npe, "the result object is null");
      env->DeleteLocalRef(npe);
    }
    return;
  }
  class_ = env->GetObjectClass(object);
  for (std::size_t i = 0; i < count && i < kMaxResultFields; ++i) {
    char name[11];
    fieldName(i, name);
    ids_[i] = env->GetFieldID(class_, name, "I");
    if (ids_[i] == nullptr) return;  // NoSuchFieldError is pending
  }
  valid_ = true;
}

ResultFields::~ResultFields() {
  if (class_ != nullptr) env_->DeleteLocalRef(class_);
}

void ResultFields::write(const int32_t* values, std::size_t count) const {
  for (std::size_t i = 0; i < count && i < kMaxResultFields; ++i) {
    env_->SetIntField(object_, ids_[i], static_cast<jint>(values[i]));
  }
}

}  // namespace varek::jni

#endif  // VAREK_HAVE_JNI

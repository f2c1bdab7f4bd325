// Scoped access to the elements of a Java primitive array. The elements are obtained
// with a null copy flag and released with mode 0 (copy back and free) when the holder
// goes out of scope, so no path through an exported function can skip the release.
// A null array, or one whose elements cannot be had, gives a null data() and size 0.
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdint>

namespace qv::jni {

template <typename Array, typename Element, Element *(JNIEnv::*Get)(Array, jboolean *),
          void (JNIEnv::*Release)(Array, Element *, jint)>
class ScopedArray {
 public:
  ScopedArray(JNIEnv *env, Array array) : env_(env), array_(array) {
    if (array_ == nullptr) return;
    const jsize length = env_->GetArrayLength(array_);
    elements_ = (env_->*Get)(array_, nullptr);
    if (elements_ != nullptr && length > 0) size_ = static_cast<std::size_t>(length);
  }
  ~ScopedArray() {
    if (elements_ != nullptr) (env_->*Release)(array_, elements_, 0);
  }
  ScopedArray(const ScopedArray &) = delete;
  ScopedArray &operator=(const ScopedArray &) = delete;

  Element *data() const { return size_ != 0 ? elements_ : nullptr; }
  std::size_t size() const { return size_; }

 private:
  JNIEnv *env_;
  Array array_;
  Element *elements_ = nullptr;
  std::size_t size_ = 0;
};

using ScopedShortArray = ScopedArray<jshortArray, jshort, &JNIEnv::GetShortArrayElements,
                                     &JNIEnv::ReleaseShortArrayElements>;
using ScopedByteArray = ScopedArray<jbyteArray, jbyte, &JNIEnv::GetByteArrayElements,
                                    &JNIEnv::ReleaseByteArrayElements>;
using ScopedIntArray = ScopedArray<jintArray, jint, &JNIEnv::GetIntArrayElements,
                                   &JNIEnv::ReleaseIntArrayElements>;

// A new int array of exactly count elements filled from values; null if the JVM cannot
// make one, or already has an exception pending (an OutOfMemoryError from obtaining an
// argument's elements), which then stays pending for the caller.
inline jintArray newIntArray(JNIEnv *env, const jint *values, jsize count) {
  if (env->ExceptionCheck()) return nullptr;
  jintArray result = env->NewIntArray(count);
  if (result != nullptr) env->SetIntArrayRegion(result, 0, count, values);
  return result;
}

}  // namespace qv::jni

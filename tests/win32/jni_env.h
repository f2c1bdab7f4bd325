// A small JNI environment of our own for the Windows suite, which has no JVM. Its
// function table implements only what the library may use: GetArrayLength, the
// Get/Release{Byte,Short,Int}ArrayElements pairs, NewIntArray, SetIntArrayRegion and
// ExceptionCheck. Every other JNI function ends the process with its table index.
//
// Arrays behave as a copying JVM's: Get hands out a fresh copy of the elements (with a
// guard zone behind it) and Release copies back per its mode, so a caller that skips
// the Release or writes past the end loses or corrupts data visibly. A Get or
// NewIntArray made to fail leaves an OutOfMemoryError pending, as in a JVM. Every Get
// and Release is recorded, and misuse (a Release of elements no Get handed out, a null
// array, an out-of-range region, a damaged guard zone, a call other than a Release or
// ExceptionCheck while an exception is pending) is recorded as a problem.
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wintest {

struct ArrayEvent {
  enum Kind { Get, Release };
  Kind kind;
  char type;              // 'B', 'S' or 'I'
  const void *array;      // the Java array
  const void *elements;   // what Get handed out / what Release was given
  jint mode;              // Release only
};

class FakeJni {
 public:
  FakeJni();
  ~FakeJni();
  FakeJni(const FakeJni &) = delete;
  FakeJni &operator=(const FakeJni &) = delete;

  JNIEnv *env();

  // New Java arrays owned by this environment (alive until it goes).
  jbyteArray bytes(const std::vector<signed char> &values);
  jshortArray shorts(const std::vector<short> &values);
  jintArray ints(const std::vector<int> &values);
  // The current contents of a Java array, as Java would read them.
  std::vector<signed char> bytesOf(jbyteArray array) const;
  std::vector<short> shortsOf(jshortArray array) const;
  std::vector<int> intsOf(jintArray array) const;

  // The next Get...ArrayElements returns null, as a JVM out of memory does.
  void failNextGet() { failNextGet_ = true; }
  // The next NewIntArray returns null, likewise.
  void failNextNewArray() { failNextNew_ = true; }
  bool exceptionPending() const { return pending_; }

  const std::vector<ArrayEvent> &events() const { return events_; }
  const std::vector<std::string> &problems() const { return problems_; }
  // Empty when every Get was matched by exactly one Release of the same elements with
  // mode 0 and nothing else went wrong; otherwise what did.
  std::string unbalanced() const;
  void clearRecords();

  // Used by the table's functions.
  struct Array;
  struct Holder;
  Array *lookup(const void *array, const char *function);
  // Records a problem when an exception is pending; `function` must not be called then.
  void requireNoPending(const char *function);
  void *getElements(const void *array, char type, jboolean *isCopy);
  void releaseElements(const void *array, char type, void *elements, jint mode);
  void *newArray(char type, jsize length);
  void setRegion(const void *array, char type, jsize start, jsize length, const void *values);

 private:
  void *make(char type, std::size_t elementSize, const void *values, std::size_t count);
  void read(const void *array, char type, void *out, std::size_t bytes) const;

  struct Outstanding {
    const void *array;
    std::byte *copy;
  };
  std::unique_ptr<Holder> holder_;
  std::vector<std::unique_ptr<Array>> arrays_;
  std::vector<Outstanding> outstanding_;
  std::vector<ArrayEvent> events_;
  std::vector<std::string> problems_;
  bool failNextGet_ = false;
  bool failNextNew_ = false;
  bool pending_ = false;
};

}  // namespace wintest

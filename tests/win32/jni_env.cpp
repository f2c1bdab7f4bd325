#include "win32/jni_env.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace wintest {

struct FakeJni::Array {
  char type;
  std::size_t elementSize;
  std::size_t length;
  std::vector<std::byte> data;
};

// The JNIEnv the library sees, with a way back to its FakeJni.
struct FakeJni::Holder {
  JNIEnv env;
  FakeJni *owner;
};

namespace {

// Bytes behind every handed-out copy; a write past the array's end changes them.
constexpr std::size_t kGuardBytes = 64;
constexpr std::byte kGuard{0xA5};

FakeJni &owner(JNIEnv *env) { return *reinterpret_cast<FakeJni::Holder *>(env)->owner; }

// Any JNI function the library has no business calling.
// Ends the process at once: abort() could start a crash dialog or debugger.
template <std::size_t Index>
void JNICALL unexpected(JNIEnv *) {
  std::fprintf(stderr, "fake JNI: the library called JNI function number %u\n",
               static_cast<unsigned>(Index));
  std::fflush(stderr);
  std::_Exit(70);
}

template <std::size_t... Index>
void fillUnexpected(void **slots, std::size_t first, std::index_sequence<Index...>) {
  using Stub = void(JNICALL *)(JNIEnv *);
  const Stub stubs[] = {&unexpected<Index>...};
  for (std::size_t i = first; i < sizeof...(Index); ++i)
    std::memcpy(&slots[i], &stubs[i], sizeof(Stub));
}

jboolean JNICALL exceptionCheck(JNIEnv *env) {
  return owner(env).exceptionPending() ? JNI_TRUE : JNI_FALSE;
}

jsize JNICALL getArrayLength(JNIEnv *env, jarray array) {
  owner(env).requireNoPending("GetArrayLength");
  FakeJni::Array *a = owner(env).lookup(array, "GetArrayLength");
  return a != nullptr ? static_cast<jsize>(a->length) : 0;
}

template <typename Element, typename ArrayType, char Type>
Element *JNICALL getElements(JNIEnv *env, ArrayType array, jboolean *isCopy) {
  return static_cast<Element *>(owner(env).getElements(array, Type, isCopy));
}

template <typename Element, typename ArrayType, char Type>
void JNICALL releaseElements(JNIEnv *env, ArrayType array, Element *elements, jint mode) {
  owner(env).releaseElements(array, Type, elements, mode);
}

jintArray JNICALL newIntArray(JNIEnv *env, jsize length) {
  return static_cast<jintArray>(owner(env).newArray('I', length));
}

void JNICALL setIntArrayRegion(JNIEnv *env, jintArray array, jsize start, jsize length,
                               const jint *values) {
  owner(env).setRegion(array, 'I', start, length, values);
}

const JNINativeInterface_ &table() {
  static const JNINativeInterface_ instance = [] {
    JNINativeInterface_ t{};
    constexpr std::size_t slots = sizeof t / sizeof(void *);
    static_assert(sizeof t == slots * sizeof(void *));
    // The first four slots are reserved and stay null.
    fillUnexpected(reinterpret_cast<void **>(&t), 4, std::make_index_sequence<slots>{});
    t.GetArrayLength = &getArrayLength;
    t.GetByteArrayElements = &getElements<jbyte, jbyteArray, 'B'>;
    t.GetShortArrayElements = &getElements<jshort, jshortArray, 'S'>;
    t.GetIntArrayElements = &getElements<jint, jintArray, 'I'>;
    t.ReleaseByteArrayElements = &releaseElements<jbyte, jbyteArray, 'B'>;
    t.ReleaseShortArrayElements = &releaseElements<jshort, jshortArray, 'S'>;
    t.ReleaseIntArrayElements = &releaseElements<jint, jintArray, 'I'>;
    t.NewIntArray = &newIntArray;
    t.SetIntArrayRegion = &setIntArrayRegion;
    t.ExceptionCheck = &exceptionCheck;
    return t;
  }();
  return instance;
}

std::size_t elementSize(char type) { return type == 'B' ? 1 : type == 'S' ? 2 : 4; }

}  // namespace

FakeJni::FakeJni() : holder_(new Holder{JNIEnv{}, this}) { holder_->env.functions = &table(); }

FakeJni::~FakeJni() {
  for (const Outstanding &o : outstanding_) delete[] o.copy;
}

JNIEnv *FakeJni::env() { return &holder_->env; }

void *FakeJni::make(char type, std::size_t size, const void *values, std::size_t count) {
  auto array = std::make_unique<Array>(Array{type, size, count, std::vector<std::byte>(size * count)});
  if (count != 0) std::memcpy(array->data.data(), values, size * count);
  arrays_.push_back(std::move(array));
  return arrays_.back().get();
}

jbyteArray FakeJni::bytes(const std::vector<signed char> &values) {
  return static_cast<jbyteArray>(make('B', 1, values.data(), values.size()));
}
jshortArray FakeJni::shorts(const std::vector<short> &values) {
  return static_cast<jshortArray>(make('S', 2, values.data(), values.size()));
}
jintArray FakeJni::ints(const std::vector<int> &values) {
  return static_cast<jintArray>(make('I', 4, values.data(), values.size()));
}

void FakeJni::read(const void *array, char type, void *out, std::size_t bytes) const {
  const auto *a = static_cast<const Array *>(array);
  if (a->type == type && a->data.size() == bytes && bytes != 0) std::memcpy(out, a->data.data(), bytes);
}

std::vector<signed char> FakeJni::bytesOf(jbyteArray array) const {
  if (array == nullptr) return {};
  std::vector<signed char> out(static_cast<const Array *>(static_cast<void *>(array))->length);
  read(array, 'B', out.data(), out.size());
  return out;
}
std::vector<short> FakeJni::shortsOf(jshortArray array) const {
  if (array == nullptr) return {};
  std::vector<short> out(static_cast<const Array *>(static_cast<void *>(array))->length);
  read(array, 'S', out.data(), out.size() * 2);
  return out;
}
std::vector<int> FakeJni::intsOf(jintArray array) const {
  if (array == nullptr) return {};
  std::vector<int> out(static_cast<const Array *>(static_cast<void *>(array))->length);
  read(array, 'I', out.data(), out.size() * 4);
  return out;
}

void FakeJni::requireNoPending(const char *function) {
  if (pending_) problems_.push_back(std::string(function) + " with an exception pending");
}

FakeJni::Array *FakeJni::lookup(const void *array, const char *function) {
  for (const auto &a : arrays_)
    if (a.get() == array) return a.get();
  problems_.push_back(std::string(function) + (array == nullptr ? " on a null array"
                                                                : " on an unknown array"));
  return nullptr;
}

void *FakeJni::getElements(const void *array, char type, jboolean *isCopy) {
  requireNoPending("Get<Type>ArrayElements");
  Array *a = lookup(array, "Get<Type>ArrayElements");
  if (a == nullptr) return nullptr;
  if (a->type != type) problems_.push_back(std::string("Get of type ") + type + " on array of type " + a->type);
  if (failNextGet_) {
    failNextGet_ = false;
    pending_ = true;
    events_.push_back({ArrayEvent::Get, type, array, nullptr, 0});
    return nullptr;
  }
  const std::size_t bytes = a->data.size();
  auto *copy = new std::byte[bytes + kGuardBytes];
  if (bytes != 0) std::memcpy(copy, a->data.data(), bytes);
  std::fill(copy + bytes, copy + bytes + kGuardBytes, kGuard);
  outstanding_.push_back({array, copy});
  events_.push_back({ArrayEvent::Get, type, array, copy, 0});
  if (isCopy != nullptr) *isCopy = JNI_TRUE;
  return copy;
}

void FakeJni::releaseElements(const void *array, char type, void *elements, jint mode) {
  events_.push_back({ArrayEvent::Release, type, array, elements, mode});
  Array *a = lookup(array, "Release<Type>ArrayElements");
  const auto it = std::find_if(outstanding_.begin(), outstanding_.end(), [&](const Outstanding &o) {
    return o.array == array && o.copy == elements;
  });
  if (a == nullptr || it == outstanding_.end()) {
    problems_.push_back("Release of elements that no Get handed out for this array");
    return;
  }
  const std::size_t bytes = a->data.size();
  if (!std::all_of(it->copy + bytes, it->copy + bytes + kGuardBytes,
                   [](std::byte b) { return b == kGuard; }))
    problems_.push_back("written past the end of an array of " + std::to_string(a->length));
  if (mode != JNI_ABORT && bytes != 0) std::memcpy(a->data.data(), it->copy, bytes);
  if (mode != JNI_COMMIT) {
    delete[] it->copy;
    outstanding_.erase(it);
  }
}

void *FakeJni::newArray(char type, jsize length) {
  requireNoPending("NewIntArray");
  if (failNextNew_ || length < 0) {
    failNextNew_ = false;
    pending_ = true;
    return nullptr;
  }
  std::vector<std::byte> zeros(static_cast<std::size_t>(length) * elementSize(type));
  return make(type, elementSize(type), zeros.data(), static_cast<std::size_t>(length));
}

void FakeJni::setRegion(const void *array, char type, jsize start, jsize length, const void *values) {
  requireNoPending("SetIntArrayRegion");
  Array *a = lookup(array, "Set<Type>ArrayRegion");
  if (a == nullptr) return;
  if (a->type != type || start < 0 || length < 0 ||
      static_cast<std::size_t>(start) + static_cast<std::size_t>(length) > a->length) {
    problems_.push_back("Set<Type>ArrayRegion out of range");
    return;
  }
  if (length != 0)
    std::memcpy(a->data.data() + static_cast<std::size_t>(start) * a->elementSize, values,
                static_cast<std::size_t>(length) * a->elementSize);
}

std::string FakeJni::unbalanced() const {
  std::string report;
  for (const std::string &p : problems_) report += p + "\n";
  for (const ArrayEvent &e : events_)
    if (e.kind == ArrayEvent::Release && e.mode != 0)
      report += "Release with mode " + std::to_string(e.mode) + "\n";
  if (!outstanding_.empty())
    report += std::to_string(outstanding_.size()) + " Get(s) never released\n";
  return report;
}

void FakeJni::clearRecords() {
  events_.clear();
  problems_.clear();
}

}  // namespace wintest

#include "jvm/harness.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

extern char **environ;

namespace jvmtest {

namespace {

JavaVM *vm = nullptr;
JNIEnv *jniEnv = nullptr;
jclass quorvaneClass = nullptr;

// Fails hard: without a JVM or the class nothing else can run.
void check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "jvm harness: %s\n", what);
    std::abort();
  }
}

void checkNoException(JNIEnv *e, const char *what) {
  if (e->ExceptionCheck()) {
    e->ExceptionDescribe();
    check(false, what);
  }
}

jmethodID method(const char *name, const char *descriptor) {
  JNIEnv *e = env();
  jmethodID id = e->GetStaticMethodID(quorvaneClass, name, descriptor);
  checkNoException(e, name);
  return id;
}

template <typename Array, typename Element>
Array toJava(JNIEnv *e, const std::vector<Element> *values, Array (JNIEnv::*make)(jsize),
             void (JNIEnv::*set)(Array, jsize, jsize, const Element *)) {
  if (values == nullptr) return nullptr;
  Array array = (e->*make)(static_cast<jsize>(values->size()));
  (e->*set)(array, 0, static_cast<jsize>(values->size()), values->data());
  return array;
}

template <typename Array, typename Element>
void fromJava(JNIEnv *e, Array array, std::vector<Element> *values,
              void (JNIEnv::*get)(Array, jsize, jsize, Element *)) {
  if (values != nullptr && array != nullptr)
    (e->*get)(array, 0, static_cast<jsize>(values->size()), values->data());
}

std::vector<int> intsFrom(JNIEnv *e, jintArray array) {
  if (array == nullptr) return {};
  std::vector<int> out(static_cast<std::size_t>(e->GetArrayLength(array)));
  e->GetIntArrayRegion(array, 0, static_cast<jsize>(out.size()), out.data());
  return out;
}

}  // namespace

std::string outDir() { return QV_TEST_OUT_DIR; }

JNIEnv *env() {
  if (jniEnv != nullptr) return jniEnv;
  static std::string classPath =
      "-Djava.class.path=" + outDir() + "/Quorvane.jar:" + std::string(QV_TEST_JAR);
  JavaVMOption options[] = {{const_cast<char *>("-Xcheck:jni"), nullptr},
                            {const_cast<char *>(classPath.c_str()), nullptr},
                            {const_cast<char *>("-Xrs"), nullptr}};
  JavaVMInitArgs args{};
  args.version = JNI_VERSION_1_8;
  args.nOptions = 3;
  args.options = options;
  args.ignoreUnrecognized = JNI_FALSE;
  check(JNI_CreateJavaVM(&vm, reinterpret_cast<void **>(&jniEnv), &args) == JNI_OK,
        "cannot create the JVM");
  jclass local = jniEnv->FindClass("Quorvane_");
  checkNoException(jniEnv, "cannot find class Quorvane_");
  quorvaneClass = static_cast<jclass>(jniEnv->NewGlobalRef(local));
  jniEnv->DeleteLocalRef(local);
  return jniEnv;
}

void loadLibrary(const std::string &path) {
  JNIEnv *e = env();
  jclass system = e->FindClass("QuorvaneTestLoader");
  checkNoException(e, "QuorvaneTestLoader");
  jmethodID load = e->GetStaticMethodID(system, "load", "(Ljava/lang/String;)V");
  checkNoException(e, "QuorvaneTestLoader.load");
  jstring name = e->NewStringUTF(path.c_str());
  e->CallStaticVoidMethod(system, load, name);
  checkNoException(e, ("cannot load " + path).c_str());
  e->DeleteLocalRef(name);
  e->DeleteLocalRef(system);
}

void loadBuiltLibrary() {
  static bool loaded = false;
  if (!loaded) loadLibrary(outDir() + "/libQuorvaneNative.so");
  loaded = true;
}

std::vector<int> initCamera() {
  JNIEnv *e = env();
  static jmethodID id = method("InitCamera", "()[I");
  auto result = static_cast<jintArray>(e->CallStaticObjectMethod(quorvaneClass, id));
  checkNoException(e, "InitCamera");
  std::vector<int> out = intsFrom(e, result);
  e->DeleteLocalRef(result);
  return out;
}

#define QV_INT_CALL(function, name)                                 \
  int function() {                                                  \
    JNIEnv *e = env();                                              \
    static jmethodID id = method(name, "()I");                      \
    const int status = e->CallStaticIntMethod(quorvaneClass, id);   \
    checkNoException(e, name);                                      \
    return status;                                                  \
  }
QV_INT_CALL(releaseCamera, "ReleaseCamera")
QV_INT_CALL(runCocAsVideo, "RunCOCAsVIDEO")
QV_INT_CALL(stopCoc, "StopCOC")
#undef QV_INT_CALL

int setUpCamera(const std::vector<int> *settingsValues) {
  JNIEnv *e = env();
  static jmethodID id = method("SetUpCamera", "([I)I");
  jintArray array = toJava(e, settingsValues, &JNIEnv::NewIntArray, &JNIEnv::SetIntArrayRegion);
  const int status = e->CallStaticIntMethod(quorvaneClass, id, array);
  checkNoException(e, "SetUpCamera");
  e->DeleteLocalRef(array);
  return status;
}

int acquire(std::vector<short> *frame) {
  JNIEnv *e = env();
  static jmethodID id = method("Acquire", "([S)I");
  jshortArray array = toJava(e, frame, &JNIEnv::NewShortArray, &JNIEnv::SetShortArrayRegion);
  const int status = e->CallStaticIntMethod(quorvaneClass, id, array);
  checkNoException(e, "Acquire");
  fromJava(e, array, frame, &JNIEnv::GetShortArrayRegion);
  e->DeleteLocalRef(array);
  return status;
}

int acquire8(std::vector<signed char> *frame) {
  JNIEnv *e = env();
  static jmethodID id = method("Acquire8", "([B)I");
  jbyteArray array = toJava(e, frame, &JNIEnv::NewByteArray, &JNIEnv::SetByteArrayRegion);
  const int status = e->CallStaticIntMethod(quorvaneClass, id, array);
  checkNoException(e, "Acquire8");
  fromJava(e, array, frame, &JNIEnv::GetByteArrayRegion);
  e->DeleteLocalRef(array);
  return status;
}

int acquireRgb(std::vector<int> *frame) {
  JNIEnv *e = env();
  static jmethodID id = method("AcquireRGB", "([I)I");
  jintArray array = toJava(e, frame, &JNIEnv::NewIntArray, &JNIEnv::SetIntArrayRegion);
  const int status = e->CallStaticIntMethod(quorvaneClass, id, array);
  checkNoException(e, "AcquireRGB");
  fromJava(e, array, frame, &JNIEnv::GetIntArrayRegion);
  e->DeleteLocalRef(array);
  return status;
}

std::vector<int> whiteBalance(std::vector<int> *region) {
  JNIEnv *e = env();
  static jmethodID id = method("WhiteBalance", "([I)[I");
  jintArray array = toJava(e, region, &JNIEnv::NewIntArray, &JNIEnv::SetIntArrayRegion);
  auto result = static_cast<jintArray>(e->CallStaticObjectMethod(quorvaneClass, id, array));
  checkNoException(e, "WhiteBalance");
  fromJava(e, array, region, &JNIEnv::GetIntArrayRegion);
  std::vector<int> out = intsFrom(e, result);
  e->DeleteLocalRef(array);
  e->DeleteLocalRef(result);
  return out;
}

std::vector<int> autoMinMax(int proportional, std::vector<int> *region) {
  JNIEnv *e = env();
  static jmethodID id = method("AutoMinMax", "(I[I)[I");
  jintArray array = toJava(e, region, &JNIEnv::NewIntArray, &JNIEnv::SetIntArrayRegion);
  auto result =
      static_cast<jintArray>(e->CallStaticObjectMethod(quorvaneClass, id, proportional, array));
  checkNoException(e, "AutoMinMax");
  fromJava(e, array, region, &JNIEnv::GetIntArrayRegion);
  std::vector<int> out = intsFrom(e, result);
  e->DeleteLocalRef(array);
  e->DeleteLocalRef(result);
  return out;
}

std::vector<int> settings(int videoMode) {
  //      mode hbin vbin exposure gain video  -   r    g    b  min  max  lut  col
  return {3, 1, 1, 0, 100, videoMode, 0, 100, 100, 100, 0, 4095, 100, 100};
}

const Sim &sim() {
  static const Sim instance = [] {
    void *module = dlopen((outDir() + "/libqvsim.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    check(module != nullptr, "cannot load libqvsim.so");
    return simapi::bindSim([module](const char *name) { return dlsym(module, name); });
  }();
  return instance;
}

const simapi::Conversion &conversion() {
  static const simapi::Conversion instance = [] {
    void *module = dlopen((outDir() + "/libpcocnv.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    check(module != nullptr, "cannot load libpcocnv.so");
    return simapi::bindConversion([module](const char *name) { return dlsym(module, name); });
  }();
  return instance;
}

ChildResult runChild(const std::string &directory, const std::vector<std::string> &extraEnv) {
  std::vector<std::string> environment;
  for (char **entry = environ; *entry != nullptr; ++entry) {
    const std::string item = *entry;
    bool replaced = false;
    for (const std::string &extra : extraEnv)
      replaced |= item.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0;
    if (!replaced) environment.push_back(item);
  }
  environment.insert(environment.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char *> envp;
  for (std::string &item : environment) envp.push_back(item.data());
  envp.push_back(nullptr);

  const std::string outputPath = testing::TempDir() + "qv_child_" + std::to_string(getpid());
  std::string self = "/proc/self/exe", flag = "--child", dir = directory;
  char *argv[] = {self.data(), flag.data(), dir.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {-1, "spawn failed"};
  int status = 0;
  waitpid(pid, &status, 0);
  std::ifstream in(outputPath);
  std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(outputPath.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), output};
}

int childMain(const char *directory) {
  loadLibrary(std::string(directory) + "/libQuorvaneNative.so");
  const std::vector<int> result = initCamera();
  std::printf("init");
  for (int v : result) std::printf(" %d", v);
  std::printf("\n");
  // Which copies of the vendor libraries this process holds now.
  std::ifstream maps("/proc/self/maps");
  std::string line, seen;
  while (std::getline(maps, line)) {
    const std::size_t slash = line.find('/');
    if (slash == std::string::npos) continue;
    const std::string path = line.substr(slash);
    if ((path.find("libpccam") != std::string::npos ||
         path.find("libpcocnv") != std::string::npos) &&
        seen.find(path + "\n") == std::string::npos)
      seen += path + "\n";
  }
  for (std::size_t start = 0, end; (end = seen.find('\n', start)) != std::string::npos;
       start = end + 1)
    std::printf("loaded %s\n", seen.substr(start, end - start).c_str());
  std::printf("release %d\n", releaseCamera());
  std::fflush(stdout);
  return 0;
}

}  // namespace jvmtest

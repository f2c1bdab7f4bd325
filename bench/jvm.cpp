#include "bench/jvm.h"

#include <cstdio>
#include <cstdlib>

namespace qvbench {

namespace {

JavaVM *vm = nullptr;
QuorvaneMethods quorvane{};

jmethodID staticMethod(JNIEnv *env, jclass cls, const char *name, const char *descriptor) {
  jmethodID id = env->GetStaticMethodID(cls, name, descriptor);
  checkNoException(env, name);
  if (id == nullptr) fatal(std::string("no method ") + name);
  return id;
}

template <typename Array>
Array globalArray(JNIEnv *env, Array local, const char *what) {
  checkNoException(env, what);
  if (local == nullptr) fatal(std::string("cannot make ") + what);
  auto global = static_cast<Array>(env->NewGlobalRef(local));
  env->DeleteLocalRef(local);
  if (global == nullptr) fatal(std::string("cannot keep ") + what);
  return global;
}

jsize javaLength(std::size_t length) {
  if (length > 0x7FFFFFFFu) fatal("array too long for Java");
  return static_cast<jsize>(length);
}

}  // namespace

void fatal(const std::string &message) {
  std::fprintf(stderr, "qv_bench: %s\n", message.c_str());
  std::fflush(stdout);
  std::exit(1);
}

void checkNoException(JNIEnv *env, const char *what) {
  if (env->ExceptionCheck()) {
    env->ExceptionDescribe();
    fatal(std::string("Java exception in ") + what);
  }
}

JNIEnv *startJvm(const std::string &classPath, const std::string &libraryPath) {
  std::string classPathOption = "-Djava.class.path=" + classPath;
  JavaVMOption options[] = {{classPathOption.data(), nullptr},
                            {const_cast<char *>("-Xrs"), nullptr}};
  JavaVMInitArgs args{};
  args.version = JNI_VERSION_1_8;
  args.nOptions = static_cast<jint>(sizeof options / sizeof options[0]);
  args.options = options;
  args.ignoreUnrecognized = JNI_FALSE;
  JNIEnv *env = nullptr;
  if (JNI_CreateJavaVM(&vm, reinterpret_cast<void **>(&env), &args) != JNI_OK)
    fatal("cannot create the JVM");

  jclass loader = env->FindClass("QuorvaneBenchLoader");
  checkNoException(env, "QuorvaneBenchLoader");
  jmethodID load = staticMethod(env, loader, "load", "(Ljava/lang/String;)V");
  jstring path = env->NewStringUTF(libraryPath.c_str());
  checkNoException(env, "NewStringUTF");
  env->CallStaticVoidMethod(loader, load, path);
  checkNoException(env, ("loading " + libraryPath).c_str());
  env->DeleteLocalRef(path);
  env->DeleteLocalRef(loader);

  jclass local = env->FindClass("Quorvane_");
  checkNoException(env, "Quorvane_");
  quorvane.cls = static_cast<jclass>(env->NewGlobalRef(local));
  env->DeleteLocalRef(local);
  jclass cls = quorvane.cls;
  quorvane.initCamera = staticMethod(env, cls, "InitCamera", "()[I");
  quorvane.releaseCamera = staticMethod(env, cls, "ReleaseCamera", "()I");
  quorvane.setUpCamera = staticMethod(env, cls, "SetUpCamera", "([I)I");
  quorvane.runCocAsVideo = staticMethod(env, cls, "RunCOCAsVIDEO", "()I");
  quorvane.acquire = staticMethod(env, cls, "Acquire", "([S)I");
  quorvane.acquire8 = staticMethod(env, cls, "Acquire8", "([B)I");
  quorvane.acquireRgb = staticMethod(env, cls, "AcquireRGB", "([I)I");
  quorvane.whiteBalance = staticMethod(env, cls, "WhiteBalance", "([I)[I");
  quorvane.autoMinMax = staticMethod(env, cls, "AutoMinMax", "(I[I)[I");
  return env;
}

const QuorvaneMethods &methods() { return quorvane; }

std::vector<int> initCamera(JNIEnv *env) {
  auto result =
      static_cast<jintArray>(env->CallStaticObjectMethod(quorvane.cls, quorvane.initCamera));
  checkNoException(env, "InitCamera");
  std::vector<int> out;
  if (result != nullptr) {
    out.resize(static_cast<std::size_t>(env->GetArrayLength(result)));
    env->GetIntArrayRegion(result, 0, static_cast<jsize>(out.size()), out.data());
    env->DeleteLocalRef(result);
  }
  return out;
}

int releaseCamera(JNIEnv *env) {
  const int status = env->CallStaticIntMethod(quorvane.cls, quorvane.releaseCamera);
  checkNoException(env, "ReleaseCamera");
  return status;
}

int setUpCamera(JNIEnv *env, const std::vector<int> &settings) {
  jintArray array = env->NewIntArray(javaLength(settings.size()));
  checkNoException(env, "NewIntArray");
  env->SetIntArrayRegion(array, 0, static_cast<jsize>(settings.size()), settings.data());
  const int status = env->CallStaticIntMethod(quorvane.cls, quorvane.setUpCamera, array);
  checkNoException(env, "SetUpCamera");
  env->DeleteLocalRef(array);
  return status;
}

jshortArray newShortArray(JNIEnv *env, std::size_t length) {
  return globalArray(env, env->NewShortArray(javaLength(length)), "a short array");
}

jbyteArray newByteArray(JNIEnv *env, std::size_t length) {
  return globalArray(env, env->NewByteArray(javaLength(length)), "a byte array");
}

jintArray newIntArray(JNIEnv *env, std::size_t length) {
  return globalArray(env, env->NewIntArray(javaLength(length)), "an int array");
}

jintArray newIntArray(JNIEnv *env, const std::vector<int> &values) {
  jintArray array = newIntArray(env, values.size());
  env->SetIntArrayRegion(array, 0, static_cast<jsize>(values.size()), values.data());
  return array;
}

}  // namespace qvbench

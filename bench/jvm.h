// The benchmark's one embedded JVM and the library's methods as Java would call them.
// The JVM runs without -Xcheck:jni: the checks copy and compare every array the
// library touches, which would dominate the figures being measured.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace qvbench {

// Prints the message and ends the program with exit status 1.
[[noreturn]] void fatal(const std::string &message);

struct QuorvaneMethods {
  jclass cls;  // global reference to Quorvane_
  jmethodID initCamera;
  jmethodID releaseCamera;
  jmethodID setUpCamera;
  jmethodID runCocAsVideo;
  jmethodID acquire;
  jmethodID acquire8;
  jmethodID acquireRgb;
  jmethodID whiteBalance;
  jmethodID autoMinMax;
};

// Starts the JVM with the given class path (the library's jar and the loader's jar),
// loads the library file at libraryPath through the loader class, and resolves the
// methods of Quorvane_. Fatal on any failure.
JNIEnv *startJvm(const std::string &classPath, const std::string &libraryPath);
const QuorvaneMethods &methods();

// Fatal when a Java exception is pending after `what`.
void checkNoException(JNIEnv *env, const char *what);

// Calls that set the camera up and take it down; fatal on a Java exception.
std::vector<int> initCamera(JNIEnv *env);
int releaseCamera(JNIEnv *env);
int setUpCamera(JNIEnv *env, const std::vector<int> &settings);

// Java arrays held for the whole run, as global references; fatal when the JVM
// cannot make one.
jshortArray newShortArray(JNIEnv *env, std::size_t length);
jbyteArray newByteArray(JNIEnv *env, std::size_t length);
jintArray newIntArray(JNIEnv *env, const std::vector<int> &values);
jintArray newIntArray(JNIEnv *env, std::size_t length);

}  // namespace qvbench

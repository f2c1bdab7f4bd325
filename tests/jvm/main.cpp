// The JVM suite's entry point: GoogleTest, or with --child DIR the child side of
// runChild.
#include <gtest/gtest.h>

#include <cstring>

#include "jvm/harness.h"

int main(int argc, char **argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return jvmtest::childMain(argv[2]);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

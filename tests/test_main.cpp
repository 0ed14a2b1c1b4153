#include <gtest/gtest.h>

#include "test_support.h"

// fontconfig keeps a few hundred bytes of its set-up for the life of the
// process and frees them only in FcFini, which a program that may still
// share the library with Qt cannot call at exit. The leak checker of the
// sanitizer build is told so; leaks of our own still fail the run.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new albumsmith::test::Environment);
  return RUN_ALL_TESTS();
}

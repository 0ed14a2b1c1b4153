#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new albumsmith::test::Environment);
  return RUN_ALL_TESTS();
}

// The one main() of every test executable.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  // Unbuffered: a test's progress shows at once when the output goes to a pipe or a file (the C
  // runtime otherwise holds it back until the process ends, and a waiting case shows nothing).
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// The contract suite's entry point. It takes its locale from the environment, as a host program
// does, so that the suite's run under LANG=C shows what a host in the C locale gets.
#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

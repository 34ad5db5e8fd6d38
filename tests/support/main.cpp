#include <gtest/gtest.h>

#include "moxtrel/backends/builtin_backends.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The tests link every backend and read configurations naming any of them.
  moxtrel::directory::RegisterBuiltinBackends(moxtrel::directory::BackendRegistry::Global());
  return RUN_ALL_TESTS();
}

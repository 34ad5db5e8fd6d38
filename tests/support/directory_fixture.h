// A fresh embedded directory per test, wrapped in a journal layer that is installed as the
// current provider.
//
//   class UserTest : public DirectoryTest {};
//   TEST_F(UserTest, ...) { auto corp = build.AddDomain(u"CORP"); ... layer->Journal() ... }
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/memory/memory_directory.h"

namespace moxtrel::testing {

class DirectoryTest : public ::testing::Test {
 protected:
  DirectoryTest()
      : dir(directory::MemoryDirectory::Create()),
        layer(directory::JournalLayer::Wrap(dir)),
        build(*dir) {
    directory::SetCurrentProvider(layer);
  }
  ~DirectoryTest() override { directory::SetCurrentProvider(nullptr); }

  std::shared_ptr<directory::MemoryDirectory> dir;
  std::shared_ptr<directory::JournalLayer> layer;  // the journal and the faults
  directory::DirectoryBuilder build;
};

// The code of the AutomationError `f` throws, or 0 when it throws none; its text into
// `description` when given.
inline int32_t ErrorCodeOf(const std::function<void()>& f, std::u16string* description = nullptr) {
  try {
    f();
  } catch (const AutomationError& e) {
    if (description) *description = e.description();
    return e.code();
  }
  return 0;
}

// The names an enumeration yields, in order.
inline std::vector<std::u16string> Names(std::unique_ptr<directory::IADsEnum> walk) {
  std::vector<std::u16string> out;
  while (auto object = walk->Next()) out.push_back(object->Name());
  return out;
}

}  // namespace moxtrel::testing

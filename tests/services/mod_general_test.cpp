#include "moxtrel/services/mod_general.h"

#include <gtest/gtest.h>

#include <thread>

#include "services/services_fixture.h"

namespace moxtrel::testing {
namespace {

using LocalComputerNameTest = ServicesTest;

// The name is asked once per thread; an empty answer is asked again, and another thread keeps
// its own copy.
TEST_F(LocalComputerNameTest, CachedPerThread) {
  facts->SetComputerName(u"");
  EXPECT_EQ(modGeneral::GetLocalComputerName(), u"");
  facts->SetComputerName(u"PC1");
  EXPECT_EQ(modGeneral::GetLocalComputerName(), u"PC1");
  facts->SetComputerName(u"RENAMED");
  EXPECT_EQ(modGeneral::GetLocalComputerName(), u"PC1");
  EXPECT_EQ(facts->Calls().computer_name, 2);

  std::u16string other;
  std::thread([&] { other = modGeneral::GetLocalComputerName(); }).join();
  EXPECT_EQ(other, u"RENAMED");
  EXPECT_EQ(modGeneral::GetLocalComputerName(), u"PC1");
  EXPECT_EQ(facts->Calls().computer_name, 3);
}

}  // namespace
}  // namespace moxtrel::testing

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "moxtrel/directory/partial_computer.h"
#include "moxtrel/directory/snapshot_enum.h"
#include "moxtrel/frame/error_codes.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::ComputerAddress;
using directory::ObjectKind;
using directory::PartialComputer;
using directory::ServedPart;

constexpr ObjectKind kKinds[] = {ObjectKind::kPrintQueue, ObjectKind::kFileService};
constexpr ServedPart kServed{u"the test backend", u"the computer's widgets", u"widgets", kKinds};

class Widgets final : public PartialComputer {
 public:
  explicit Widgets(std::u16string name)
      : PartialComputer(std::make_shared<ComputerAddress>(u"CORP", std::move(name)), kServed) {}
  std::unique_ptr<directory::IADsEnum> NewEnum() override {
    return directory::EnumSnapshot(std::vector<std::shared_ptr<directory::IADs>>{});
  }
  using PartialComputer::Lists;
};

TEST(BackendKitTest, PartialComputerReadsEmptyRefusesWritesAndListsOnlyItsKinds) {
  Widgets pc(u"PC1");
  EXPECT_EQ(pc.Name(), u"PC1");
  EXPECT_EQ(pc.ADsPath(), u"WinNT://CORP/PC1");
  EXPECT_EQ(pc.Parent(), u"WinNT://CORP");
  EXPECT_EQ(pc.Owner(), u"");

  std::u16string why;
  EXPECT_EQ(ErrorCodeOf([&] { pc.Put(u"Owner", Variant(u"x")); }, &why),
            static_cast<int32_t>(errc::kNotSupported));
  EXPECT_EQ(why,
            u"The property \"Owner\" of WinNT://CORP/PC1 cannot be written: the test backend "
            u"serves only the computer's widgets");
  EXPECT_EQ(pc.Owner(), u"");

  // No filter: its own kinds, never another's.
  EXPECT_TRUE(pc.Lists(ObjectKind::kPrintQueue));
  EXPECT_TRUE(pc.Lists(ObjectKind::kFileService));
  EXPECT_FALSE(pc.Lists(ObjectKind::kUser));
  pc.Filter(Variant(u"User"));
  EXPECT_FALSE(pc.Lists(ObjectKind::kPrintQueue));
  EXPECT_FALSE(pc.Lists(ObjectKind::kUser));
  pc.Filter(Variant(u"PrintQueue"));
  EXPECT_TRUE(pc.Lists(ObjectKind::kPrintQueue));
  EXPECT_FALSE(pc.Lists(ObjectKind::kFileService));
  // A bad word leaves the filter as it was.
  EXPECT_EQ(ErrorCodeOf([&] { pc.Filter(Variant(u"NoSuchClass")); }),
            static_cast<int32_t>(errc::kUnknownObject));
  EXPECT_EQ(pc.Filter().ToString(), u"PrintQueue");
  EXPECT_TRUE(pc.Lists(ObjectKind::kPrintQueue));

  EXPECT_EQ(ErrorCodeOf([&] { pc.Create(u"User", u"bob"); }, &why),
            static_cast<int32_t>(errc::kNotSupported));
  EXPECT_EQ(why, u"Create of a User in WinNT://CORP/PC1: the test backend serves only widgets");
  EXPECT_EQ(ErrorCodeOf([&] { pc.Delete(u"PrintQueue", u"Laser"); }),
            static_cast<int32_t>(errc::kNotSupported));
  EXPECT_EQ(ErrorCodeOf([&] { pc.MoveHere(u"WinNT://CORP/PC2/x", u"x"); }),
            static_cast<int32_t>(errc::kNotSupported));
}

TEST(BackendKitTest, SnapshotEnumMakesEachItemOnceAsItIsReachedAndStaysEnded) {
  std::vector<std::u16string> made;
  auto walk = directory::EnumSnapshot(std::vector<std::u16string>{u"PC1", u"PC2"},
                                      [&](std::u16string&& name) {
                                        made.push_back(name);
                                        return std::make_shared<Widgets>(std::move(name));
                                      });
  EXPECT_TRUE(made.empty());
  EXPECT_EQ(walk->Next()->Name(), u"PC1");
  EXPECT_EQ(made, std::vector<std::u16string>{u"PC1"});
  EXPECT_EQ(walk->Next()->Name(), u"PC2");
  EXPECT_EQ(walk->Next(), nullptr);
  EXPECT_EQ(walk->Next(), nullptr);
  EXPECT_EQ(made.size(), 2u);

  std::vector<std::shared_ptr<directory::IADs>> handles{std::make_shared<Widgets>(u"PC3")};
  auto given = directory::EnumSnapshot(handles);
  handles.clear();  // the walk keeps what it was given
  auto first = given->Next();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Name(), u"PC3");
  EXPECT_EQ(given->Next(), nullptr);
}

}  // namespace
}  // namespace moxtrel::testing

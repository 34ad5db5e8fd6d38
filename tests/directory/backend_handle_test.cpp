#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "moxtrel/directory/backend_computer.h"
#include "moxtrel/directory/backend_handle.h"
#include "moxtrel/directory/filtered_container.h"
#include "moxtrel/directory/snapshot_enum.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::ObjectKind;

// A toy backend's context: one computer, whose file service holds shares by name.
struct ToyContext {
  directory::ComputerAddress pc{u"CORP", u"PC1"};
  const directory::ComputerAddress& address() const { return pc; }
  const std::u16string& ComputerPath() const { return pc.Path(); }
  std::u16string ServicePath() const { return pc.ChildPath(directory::kFileServiceName); }
};
using ToyPtr = std::shared_ptr<ToyContext>;

class ToyComputer final
    : public directory::ContextComputer<ToyContext, directory::BackendComputer> {
 public:
  explicit ToyComputer(ToyPtr ctx) : ContextComputer(std::move(ctx)) {}
  Variant Get(std::u16string_view) override { return Variant(u""); }
  void Put(std::u16string_view, const Variant&) override {}
  void SetInfo() override {}
  std::unique_ptr<directory::IADsEnum> NewEnum() override {
    return directory::EnumSnapshot(std::vector<std::shared_ptr<directory::IADs>>{});
  }
  std::shared_ptr<directory::IADs> Create(std::u16string_view, std::u16string_view) override {
    return nullptr;
  }
  void Delete(std::u16string_view, std::u16string_view) override {}
  std::shared_ptr<directory::IADs> MoveHere(std::u16string_view, std::u16string_view) override {
    return nullptr;
  }
  using FilteredContainer::Allows;
};

class ToyShare final : public directory::FileShareProperties,
                       public directory::NamedHandle<ToyContext, &ToyContext::ServicePath> {
 public:
  ToyShare(ToyPtr ctx, std::string name)
      : NamedHandle(std::move(ctx), ObjectKind::kFileShare, std::move(name)) {}
  Variant Get(std::u16string_view) override { return Variant(u""); }
  void Put(std::u16string_view, const Variant&) override {}
  void SetInfo() override {}
};

TEST(BackendHandleTest, HandlesNameThemselvesFromTheirContextAndCastAsTheirInterfaces) {
  auto ctx = std::make_shared<ToyContext>();
  std::shared_ptr<directory::IADs> share = std::make_shared<ToyShare>(ctx, "d\xC3\xA9p\xC3\xB4t");
  EXPECT_EQ(share->Name(), u"d\u00e9p\u00f4t");
  EXPECT_EQ(share->Class(), u"FileShare");
  EXPECT_EQ(share->GUID(), u"");
  EXPECT_EQ(share->Parent(), u"WinNT://CORP/PC1/LanmanServer");
  EXPECT_EQ(share->ADsPath(), u"WinNT://CORP/PC1/LanmanServer/d\u00e9p\u00f4t");
  EXPECT_NE(directory::As<directory::IADsFileShare>(share), nullptr);
  EXPECT_EQ(ErrorCodeOf([&] { directory::As<directory::IADsContainer>(share); }),
            static_cast<int32_t>(errc::kNoInterface));

  auto pc = std::make_shared<ToyComputer>(ctx);
  EXPECT_EQ(pc->Name(), u"PC1");
  EXPECT_EQ(pc->Class(), u"Computer");
  EXPECT_EQ(pc->ADsPath(), u"WinNT://CORP/PC1");
  EXPECT_EQ(pc->Parent(), u"WinNT://CORP");
  EXPECT_NE(directory::As<directory::IADsContainer>(std::shared_ptr<directory::IADs>(pc)), nullptr);
}

TEST(BackendHandleTest, AFilteredContainerRefusesABadWordNamingItselfAndKeepsItsFilter) {
  ToyComputer pc(std::make_shared<ToyContext>());
  EXPECT_TRUE(pc.Allows(ObjectKind::kUser));
  EXPECT_TRUE(pc.Filter().IsEmpty());
  pc.Filter(Variant(u"Group"));
  EXPECT_FALSE(pc.Allows(ObjectKind::kUser));
  EXPECT_TRUE(pc.Allows(ObjectKind::kGroup));
  std::u16string why;
  EXPECT_EQ(ErrorCodeOf([&] { pc.Filter(Variant(u"Gadget")); }, &why),
            static_cast<int32_t>(errc::kUnknownObject));
  EXPECT_NE(why.find(u"Filter of WinNT://CORP/PC1"), std::u16string::npos) << ToUtf8(why);
  EXPECT_EQ(pc.Filter().ToString(), u"Group");
  pc.Filter(Variant());
  EXPECT_TRUE(pc.Allows(ObjectKind::kUser));
}

}  // namespace
}  // namespace moxtrel::testing

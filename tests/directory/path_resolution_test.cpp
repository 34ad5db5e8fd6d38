#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::As;
using directory::Bind;
using directory::IADs;
using directory::IADsComputer;
using directory::IADsContainer;
using directory::IADsGroup;
using directory::IADsUser;

class PathTest : public DirectoryTest {
 protected:
  void SetUp() override {
    corp = build.AddDomain(u"CORP");
    pc1 = build.AddComputer(corp, u"PC1");
    solo = build.AddComputer(u"", u"SOLO");
    build.AddUser(corp, u"alice");
    build.AddGroup(corp, u"Staff");
    build.AddUser(pc1, u"localbob");
    build.AddGroup(pc1, u"Admins");
    build.AddService(pc1, u"Spooler");
    build.AddPrintQueue(pc1, u"Laser");
    build.AddShare(pc1, u"DATA");
  }
  std::u16string Path(std::u16string_view p) { return layer->GetObject(p)->ADsPath(); }
  std::u16string corp, pc1, solo;
};

// Every path form the object model builds resolves to the object's one canonical path.
TEST_F(PathTest, ResolvesEveryFormToCanonicalPaths) {
  EXPECT_EQ(corp, u"WinNT://CORP");
  EXPECT_EQ(pc1, u"WinNT://CORP/PC1");
  EXPECT_EQ(solo, u"WinNT://SOLO");
  EXPECT_EQ(Path(u"WinNT://CORP,domain"), u"WinNT://CORP");
  EXPECT_EQ(Path(u"WinNT://PC1,computer"), u"WinNT://CORP/PC1");
  EXPECT_EQ(Path(u"WinNT://corp/pc1,Computer"), u"WinNT://CORP/PC1");
  EXPECT_EQ(Path(u"WinNT://CORP/alice,user"), u"WinNT://CORP/alice");
  EXPECT_EQ(Path(u"WinNT://PC1/localbob,user"), u"WinNT://CORP/PC1/localbob");
  EXPECT_EQ(Path(u"WinNT://CORP/PC1/Admins,group"), u"WinNT://CORP/PC1/Admins");
  EXPECT_EQ(Path(u"WinNT://PC1/LanmanServer,FileService"), u"WinNT://CORP/PC1/LanmanServer");
  EXPECT_EQ(Path(u"WinNT://CORP/PC1/LanmanServer/DATA,FileShare"),
            u"WinNT://CORP/PC1/LanmanServer/DATA");
  EXPECT_EQ(Path(u"WinNT://PC1/Laser,PrintQueue"), u"WinNT://CORP/PC1/Laser");
  EXPECT_EQ(Path(u"WinNT://PC1/spooler,service"), u"WinNT://CORP/PC1/Spooler");
  EXPECT_EQ(Path(u"WinNT://CORP/ALICE"), u"WinNT://CORP/alice");
  EXPECT_EQ(Path(u"WinNT://SOLO,computer"), u"WinNT://SOLO");
  // Paths the provider returned, with a class word appended, resolve again.
  auto user = layer->GetObject(u"WinNT://PC1/localbob,user");
  EXPECT_EQ(user->Parent(), u"WinNT://CORP/PC1");
  EXPECT_EQ(Path(user->Parent() + u",computer"), u"WinNT://CORP/PC1");
  EXPECT_EQ(layer->GetObject(u"WinNT://CORP,domain")->Parent(), u"WinNT:");
  EXPECT_EQ(user->Name(), u"localbob");
  EXPECT_EQ(layer->GetObject(u"WinNT://corp/ALICE")->Name(), u"alice");
}

// Each object reports its class and implements exactly the interfaces of its class.
TEST_F(PathTest, ObjectsAreTypedByClass) {
  auto computer = layer->GetObject(u"WinNT://PC1,computer");
  EXPECT_EQ(computer->Class(), u"Computer");
  EXPECT_NO_THROW(As<IADsComputer>(computer));
  EXPECT_NO_THROW(As<directory::IADsComputerOperations>(computer));
  EXPECT_EQ(ErrorCodeOf([&] { As<IADsUser>(computer); }), errc::kNoInterface);
  auto group = layer->GetObject(u"WinNT://CORP/Staff");
  EXPECT_EQ(group->Class(), u"Group");
  EXPECT_EQ(ErrorCodeOf([&] { As<IADsContainer>(group); }), errc::kNoInterface);
  EXPECT_NO_THROW(As<directory::IADsDomain>(layer->GetObject(u"WinNT://CORP")));
  EXPECT_NO_THROW(As<directory::IADsFileService>(layer->GetObject(u"WinNT://PC1/LanmanServer")));
  auto queue = layer->GetObject(u"WinNT://PC1/Laser,PrintQueue");
  EXPECT_NO_THROW(As<directory::IADsPrintQueueOperations>(queue));
  auto service = layer->GetObject(u"WinNT://PC1/Spooler,service");
  EXPECT_NO_THROW(As<directory::IADsServiceOperations>(service));
  // Casts of objects of different classes in turn each reach their own object, and one of a
  // class without the interface still fails after another class's cast succeeded.
  auto domain = layer->GetObject(u"WinNT://CORP");
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(As<IADsContainer>(computer)->Name(), u"PC1");
    EXPECT_EQ(As<IADsContainer>(domain)->Name(), u"CORP");
    EXPECT_EQ(ErrorCodeOf([&] { As<IADsContainer>(group); }), errc::kNoInterface);
  }
  EXPECT_EQ(service->Class(), u"Service");
  // GUIDs are stable per object and differ between objects.
  auto guid = group->GUID();
  EXPECT_EQ(guid.size(), 38u);
  EXPECT_EQ(layer->GetObject(u"WinNT://CORP/Staff")->GUID(), guid);
  EXPECT_NE(computer->GUID(), guid);
}

// Bad paths fail with the code that says why, naming the path.
TEST_F(PathTest, RefusesBadPaths) {
  auto code = [&](std::u16string_view p) { return ErrorCodeOf([&] { layer->GetObject(p); }); };
  EXPECT_EQ(code(u"CORP/alice"), errc::kBadPathname);
  EXPECT_EQ(code(u"WinNT://"), errc::kBadPathname);
  EXPECT_EQ(code(u"WinNT://CORP//alice"), errc::kBadPathname);
  EXPECT_EQ(code(u"WinNT://CORP/alice/"), errc::kBadPathname);
  EXPECT_EQ(code(u"WinNT://CORP/alice,"), errc::kBadPathname);
  EXPECT_EQ(code(u"WinNT://CORP/alice,wizard"), errc::kUnknownObject);
  EXPECT_EQ(code(u"WinNT://CORP/nobody,user"), errc::kNoSuchObject);
  EXPECT_EQ(code(u"WinNT://NOWHERE"), errc::kNoSuchObject);
  try {
    layer->GetObject(u"WinNT://CORP/alice,group");
    FAIL() << "a user bound as a group";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.description(), u"WinNT://CORP/alice is a user, not a group");
  }
}

// Names are unique per container regardless of case; users and groups share a namespace.
TEST_F(PathTest, EnforcesNamingRules) {
  auto code = [&](auto f) { return ErrorCodeOf(f); };
  EXPECT_EQ(code([&] { build.AddUser(corp, u"ALICE"); }), errc::kObjectExists);
  EXPECT_EQ(code([&] { build.AddGroup(corp, u"Alice"); }), errc::kObjectExists);
  EXPECT_EQ(code([&] { build.AddComputer(u"", u"pc1"); }), errc::kObjectExists);
  EXPECT_EQ(code([&] { build.AddService(pc1, u"Laser"); }), 0);  // services have their own
  for (auto bad : {u"a/b", u"a*", u"x,y", u"", u"...", u". .", u"tab\there", u"q\"uote"}) {
    EXPECT_EQ(code([&] { build.AddUser(corp, bad); }), errc::kInvalidName) << ToUtf8(bad);
  }
  EXPECT_EQ(code([&] { build.AddUser(corp, u"abcdefghijklmnopqrstu"); }), errc::kInvalidName);
  EXPECT_EQ(code([&] { build.AddUser(corp, u"abcdefghijklmnopqrst"); }), 0);
  EXPECT_EQ(code([&] {
              build.AddUser(corp, u"x", {{u"FullName", int32_t{3}}});
            }),
            errc::kTypeMismatch);
  EXPECT_EQ(code([&] { build.AddUser(corp, u"y", {{u"Shoe", u"x"}}); }), errc::kPropertyNotFound);
}

}  // namespace
}  // namespace moxtrel::testing

#include <gtest/gtest.h>

#include "moxtrel/frame/error_codes.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {
namespace {

using directory::As;
using directory::Bind;
using directory::IADs;
using directory::IADsContainer;
using directory::IADsFileShare;
using directory::IADsGroup;
using directory::IADsPrintJob;
using directory::IADsPrintQueue;
using directory::IADsUser;

class PropertyCacheTest : public DirectoryTest {
 protected:
  void SetUp() override {
    corp = build.AddDomain(u"CORP");
    pc1 = build.AddComputer(corp, u"PC1");
    alice = build.AddUser(corp, u"alice", {{u"FullName", u"Alice"}});
  }
  std::u16string corp, pc1, alice;
};

// Puts stay in the bound object until SetInfo; other bindings see only committed values.
TEST_F(PropertyCacheTest, PutStagesAndSetInfoCommits) {
  auto user = Bind<IADsUser>(u"WinNT://CORP/alice,user");
  user->FullName(u"Alice Liddell");
  EXPECT_EQ(user->FullName(), u"Alice Liddell");
  EXPECT_EQ(Bind<IADsUser>(alice)->FullName(), u"Alice");
  EXPECT_EQ(dir->Peek(alice, u"fullname"), Variant(u"Alice"));
  user->SetInfo();
  EXPECT_EQ(Bind<IADsUser>(alice)->FullName(), u"Alice Liddell");
  // Typed properties and named attributes are one store.
  user->Put(u"fullNAME", Variant(u"A. L."));
  EXPECT_EQ(user->FullName(), u"A. L.");
  // The Boolean account properties are bits of UserFlags.
  EXPECT_EQ(user->Get(u"UserFlags").ToLong(), 0x201);
  user->AccountDisabled(true);
  EXPECT_EQ(user->Get(u"UserFlags").ToLong(), 0x203);
  user->PasswordRequired(false);
  EXPECT_EQ(user->Get(u"UserFlags").ToLong(), 0x223);
  user->SetInfo();
  EXPECT_TRUE(Bind<IADsUser>(alice)->AccountDisabled());
}

// Defaults of new accounts, and what Get and Put refuse.
TEST_F(PropertyCacheTest, DefaultsAndRefusals) {
  auto user = Bind<IADsUser>(alice);
  EXPECT_EQ(user->Get(u"PasswordAge").ToLong(), 0);
  EXPECT_EQ(user->Get(u"PasswordExpired").ToLong(), 0);
  EXPECT_EQ(user->Get(u"HomeDirDrive"), Variant(u""));
  auto sid = user->Get(u"ObjectSID").AsBytes();
  ASSERT_EQ(sid.size(), 28u);
  EXPECT_EQ((std::vector<uint8_t>(sid.begin(), sid.begin() + 8)),
            (std::vector<uint8_t>{1, 5, 0, 0, 0, 0, 0, 5}));
  EXPECT_NE(Bind<IADsUser>(build.AddUser(corp, u"bob"))->Get(u"ObjectSID").AsBytes(), sid);
  EXPECT_EQ(Bind<IADsGroup>(build.AddGroup(corp, u"G"))->Get(u"GroupType").ToLong(), 2);
  EXPECT_EQ(Bind<IADsGroup>(build.AddGroup(pc1, u"L"))->Get(u"GroupType").ToLong(), 4);
  EXPECT_EQ(ErrorCodeOf([&] { user->Get(u"Shoesize"); }), errc::kPropertyNotFound);
  EXPECT_EQ(ErrorCodeOf([&] { user->AccountExpirationDate(); }), errc::kPropertyNotFound);
  EXPECT_EQ(ErrorCodeOf([&] { user->Put(u"UserFlags", Variant(u"513")); }), errc::kTypeMismatch);
  EXPECT_EQ(ErrorCodeOf([&] { user->Put(u"FullName", Variant(int32_t{5})); }), errc::kTypeMismatch);
  EXPECT_EQ(ErrorCodeOf([&] { user->Put(u"PasswordAge", Variant(int32_t{5})); }),
            errc::kNotSupported);
  EXPECT_EQ(ErrorCodeOf([&] { user->Put(u"ObjectSID", Variant(ByteArray{1})); }),
            errc::kNotSupported);
  // The object model writes PasswordExpired as a 16-bit integer.
  user->Put(u"PasswordExpired", Variant(int16_t{1}));
  user->SetInfo();
  EXPECT_EQ(dir->Peek(alice, u"PasswordExpired"), Variant(int32_t{1}));
  // Every account starts from the same defaults; a value written to one stays its own.
  const std::u16string carl = build.AddUser(corp, u"carl");
  user->Put(u"HomeDirDrive", Variant(u"H:"));
  user->AccountDisabled(true);
  user->SetInfo();
  EXPECT_EQ(dir->Peek(carl, u"HomeDirDrive"), Variant(u""));
  EXPECT_FALSE(Bind<IADsUser>(carl)->AccountDisabled());
  EXPECT_EQ(Bind<IADsUser>(build.AddUser(corp, u"dora"))->Get(u"PasswordExpired").ToLong(), 0);
  EXPECT_NE(Bind<IADsUser>(carl)->GUID(), user->GUID());
}

// Create makes an object that exists only after SetInfo, and SetInfo checks the name again.
TEST_F(PropertyCacheTest, CreateExistsOnlyAfterSetInfo) {
  auto domain = Bind<IADsContainer>(u"WinNT://CORP,domain");
  auto carol = As<IADsUser>(domain->Create(u"user", u"carol"));
  carol->FullName(u"Carol");
  EXPECT_EQ(carol->ADsPath(), u"WinNT://CORP/carol");
  EXPECT_FALSE(dir->Contains(u"WinNT://CORP/carol"));
  EXPECT_EQ(ErrorCodeOf([&] { carol->SetPassword(u"x"); }), errc::kNoSuchObject);
  carol->SetInfo();
  EXPECT_TRUE(dir->Contains(u"WinNT://CORP/carol,user"));
  EXPECT_EQ(dir->Peek(u"WinNT://CORP/carol", u"FullName"), Variant(u"Carol"));
  // Two creations of one name: the second SetInfo finds the name taken.
  auto first = domain->Create(u"group", u"Team");
  auto second = domain->Create(u"user", u"TEAM");
  first->SetInfo();
  EXPECT_EQ(ErrorCodeOf([&] { second->SetInfo(); }), errc::kObjectExists);
  EXPECT_EQ(ErrorCodeOf([&] { domain->Create(u"user", u"alice"); }), errc::kObjectExists);
  EXPECT_EQ(ErrorCodeOf([&] { domain->Create(u"user", u"a|b"); }), errc::kInvalidName);
  EXPECT_EQ(ErrorCodeOf([&] { domain->Create(u"wizard", u"w"); }), errc::kUnknownObject);
  EXPECT_EQ(ErrorCodeOf([&] { domain->Create(u"PrintQueue", u"q"); }), errc::kInvalidArg);
  // A local group cannot be made global on a computer.
  auto local = Bind<IADsContainer>(pc1)->Create(u"group", u"Ops");
  local->Put(u"GroupType", Variant(int32_t{2}));
  EXPECT_EQ(ErrorCodeOf([&] { local->SetInfo(); }), errc::kInvalidArg);
}

// A queue's priority outside 1..99 is refused at SetInfo and nothing is committed.
TEST_F(PropertyCacheTest, SetInfoValidatesQueuePriority) {
  auto queue = Bind<IADsPrintQueue>(build.AddPrintQueue(pc1, u"Laser"));
  queue->Priority(0);
  queue->Location(u"Hall");
  EXPECT_EQ(ErrorCodeOf([&] { queue->SetInfo(); }), errc::kInvalidArg);
  EXPECT_EQ(dir->Peek(u"WinNT://PC1/Laser", u"Location"), Variant(u""));
  queue->Priority(99);
  queue->SetInfo();
  EXPECT_EQ(dir->Peek(u"WinNT://PC1/Laser", u"Priority"), Variant(int32_t{99}));
}

// Delete and MoveHere act at once; handles of a deleted object fail; renames keep memberships.
TEST_F(PropertyCacheTest, DeleteAndMoveHereActAtOnce) {
  auto staff = build.AddGroup(corp, u"Staff");
  build.AddMember(staff, alice);
  auto domain = Bind<IADsContainer>(corp);
  auto user = Bind<IADsUser>(alice);
  auto moved = domain->MoveHere(alice, u"alicia");
  EXPECT_EQ(moved->ADsPath(), u"WinNT://CORP/alicia");
  EXPECT_EQ(user->Name(), u"alicia");
  EXPECT_EQ(dir->MembersOf(staff), std::vector<std::u16string>{u"WinNT://CORP/alicia"});
  EXPECT_FALSE(dir->Contains(u"WinNT://CORP/alice"));
  EXPECT_EQ(ErrorCodeOf([&] { domain->MoveHere(u"WinNT://CORP/alicia", u"Staff"); }),
            errc::kObjectExists);
  domain->Delete(u"user", u"ALICIA");
  EXPECT_TRUE(dir->MembersOf(staff).empty());
  EXPECT_EQ(ErrorCodeOf([&] { user->FullName(); }), errc::kNoSuchObject);
  EXPECT_EQ(ErrorCodeOf([&] { domain->Delete(u"user", u"alicia"); }), errc::kNoSuchObject);
  EXPECT_EQ(ErrorCodeOf([&] { domain->Delete(u"user", u"Staff"); }), errc::kNoSuchObject);
  // A computer's file service stays where it is.
  EXPECT_EQ(
      ErrorCodeOf([&] { Bind<IADsContainer>(pc1)->MoveHere(u"WinNT://PC1/LanmanServer", u"X"); }),
      errc::kInvalidArg);
}

// Filter limits enumeration to the class words given; an empty filter lists everything.
TEST_F(PropertyCacheTest, FilterLimitsEnumeration) {
  build.AddGroup(corp, u"Staff");
  build.AddUser(corp, u"bob");
  auto names = [](directory::IADsContainer& c) {
    std::vector<std::u16string> out;
    auto e = c.NewEnum();
    while (auto o = e->Next()) out.push_back(o->Name());
    return out;
  };
  auto domain = Bind<IADsContainer>(corp);
  EXPECT_EQ(names(*domain), (std::vector<std::u16string>{u"PC1", u"alice", u"Staff", u"bob"}));
  domain->Filter(Variant::StringArray({u"User"}));
  EXPECT_EQ(names(*domain), (std::vector<std::u16string>{u"alice", u"bob"}));
  domain->Filter(Variant(u"group"));
  EXPECT_EQ(names(*domain), (std::vector<std::u16string>{u"Staff"}));
  domain->Filter(Variant());
  EXPECT_EQ(names(*domain).size(), 4u);
  EXPECT_EQ(ErrorCodeOf([&] { domain->Filter(Variant::StringArray({u"Gremlin"})); }),
            errc::kUnknownObject);
  // An object deleted during a walk is skipped.
  auto e = domain->NewEnum();
  domain->Delete(u"user", u"alice");
  std::vector<std::u16string> seen;
  while (auto o = e->Next()) seen.push_back(o->Name());
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"PC1", u"Staff", u"bob"}));
}

// A renamed or moved computer's objects answer with paths under its new place, whether bound
// before or after, and so do their listings.
TEST_F(PropertyCacheTest, PathsFollowARenamedOrMovedComputer) {
  const auto laser = build.AddPrintQueue(pc1, u"Laser");
  const auto job = build.AddPrintJob(laser, {{u"Status", Variant(int32_t{0})}});
  const auto data = build.AddShare(pc1, u"DATA");
  const auto other = build.AddDomain(u"OTHER");
  auto queue = Bind<IADsPrintQueue>(laser);
  auto bound_job = Bind<IADsPrintJob>(job);
  auto share = Bind<IADsFileShare>(data);
  Bind<IADsContainer>(corp)->MoveHere(pc1, u"PC9");
  EXPECT_EQ(queue->ADsPath(), u"WinNT://CORP/PC9/Laser");
  EXPECT_EQ(queue->Parent(), u"WinNT://CORP/PC9");
  EXPECT_EQ(bound_job->HostPrintQueue(), u"WinNT://CORP/PC9/Laser");
  EXPECT_EQ(share->ADsPath(), u"WinNT://CORP/PC9/LanmanServer/DATA");
  Bind<IADsContainer>(other)->MoveHere(u"WinNT://CORP/PC9", u"PC9");
  EXPECT_EQ(bound_job->ADsPath(), u"WinNT://OTHER/PC9/Laser/" + bound_job->Name());
  EXPECT_EQ(share->Parent(), u"WinNT://OTHER/PC9/LanmanServer");
  EXPECT_EQ(Bind<IADs>(u"WinNT://OTHER/PC9/Laser")->ADsPath(), u"WinNT://OTHER/PC9/Laser");
  auto walk = As<directory::IADsPrintQueueOperations>(queue)->PrintJobs()->NewEnum();
  auto listed = walk->Next();
  ASSERT_TRUE(listed);
  EXPECT_EQ(listed->Parent(), u"WinNT://OTHER/PC9/Laser");
  EXPECT_FALSE(dir->Contains(laser));
}

// An attribute name is found by its text wherever it lies: the same buffer holding another
// name, or another spelling of it, reads that attribute.
TEST_F(PropertyCacheTest, AttributeNamesAreReadByTheirText) {
  const auto job = build.AddPrintJob(build.AddPrintQueue(pc1, u"Laser"),
                                     {{u"Status", Variant(int32_t{1})}, {u"Notify", u"ann"}});
  auto bound = Bind<IADs>(job);
  std::u16string name = u"Status";
  EXPECT_EQ(bound->Get(name), Variant(int32_t{1}));
  EXPECT_EQ(bound->Get(name), Variant(int32_t{1}));
  name.replace(0, name.size(), u"Notify");  // the same storage, another name
  EXPECT_EQ(bound->Get(name), Variant(u"ann"));
  name.replace(0, name.size(), u"STATUS");
  EXPECT_EQ(bound->Get(name), Variant(int32_t{1}));
  auto user = Bind<IADs>(alice);
  EXPECT_EQ(user->Get(u"fullname"), Variant(u"Alice"));
  user->Put(u"FULLNAME", Variant(u"Alice L"));
  EXPECT_EQ(user->Get(u"FullName"), Variant(u"Alice L"));
  EXPECT_EQ(dir->Peek(alice, u"FullName"), Variant(u"Alice"));
  user->SetInfo();
  EXPECT_EQ(As<IADsUser>(user)->FullName(), u"Alice L");
  EXPECT_EQ(ErrorCodeOf([&] { user->Get(u"Statu"); }), errc::kPropertyNotFound);
}

}  // namespace
}  // namespace moxtrel::testing

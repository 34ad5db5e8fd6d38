// The fault sweep: every operation below runs once cleanly to learn how many provider calls it
// makes, then once more per call with that call failing. Each faulted run must end without a
// crash, in the failure form the object model gives (False or an AutomationError), with the
// directory either as it was or as the clean run left it: never half-changed.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "moxtrel/accounts/domain.h"
#include "moxtrel/accounts/group.h"
#include "moxtrel/accounts/groups.h"
#include "moxtrel/accounts/user.h"
#include "moxtrel/accounts/users.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/journal/journal_layer.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/servers/file_share.h"
#include "moxtrel/servers/file_shares.h"
#include "moxtrel/servers/server.h"
#include "moxtrel/services/service.h"

namespace moxtrel::testing {
namespace {

using directory::JournalLayer;
using directory::MemoryDirectory;

// An operation: `prepare` binds what the operation needs (not swept); `act` is swept and
// returns whether it reports success.
struct Operation {
  std::string name;
  std::function<std::function<bool()>()> prepare;
};

void PrintTo(const Operation& op, std::ostream* os) {
  *os << op.name;
}

std::shared_ptr<moxDomain> Harbor() {
  auto d = moxDomain::Create();
  d->Name(u"HARBOR");
  return d;
}

std::shared_ptr<moxServer> ServerNamed(const std::u16string& name) {
  auto s = moxServer::Create();
  s->Name(name);
  return s;
}

std::shared_ptr<moxUser> UserNamed(const std::u16string& name) {
  auto u = moxUser::Create();
  u->Find(name, u"HARBOR", moxType::moxGlobal);
  return u;
}

std::vector<Operation> Operations() {
  return {
      {"moxUsers.Add",
       [] {
         auto users = Harbor()->Users();
         users->Count();
         return std::function<bool()>([users] {
           std::u16string name = u"zoe";
           return users->Add(name, u"Zoe Quinn", u"New");
         });
       }},
      {"moxUsers.Remove",
       [] {
         auto users = Harbor()->Users();
         users->Count();
         return std::function<bool()>([users] { return users->Remove(Variant(u"bjorn")); });
       }},
      {"moxGroups.Add",
       [] {
         auto groups = Harbor()->Groups();
         groups->Count();
         return std::function<bool()>([groups] {
           std::u16string name = u"Auditors";
           return groups->Add(name, u"Reads the books");
         });
       }},
      {"moxGroups.Remove",
       [] {
         auto groups = Harbor()->Groups();
         groups->Count();
         return std::function<bool()>([groups] { return groups->Remove(Variant(u"Finance")); });
       }},
      {"moxUser.SetPassword",
       [] {
         auto u = UserNamed(u"amara");
         return std::function<bool()>([u] { return u->SetPassword(u"sea-glass-1234"); });
       }},
      {"moxUser.AddToGroup",
       [] {
         auto u = UserNamed(u"amara");
         return std::function<bool()>([u] {
           std::u16string group = u"Finance";
           return u->AddToGroup(group);
         });
       }},
      {"moxUser.AddToGroup (local)",
       [] {
         auto u = UserNamed(u"bjorn");
         return std::function<bool()>([u] {
           std::u16string group = u"FileAdmins";
           return u->AddToGroup(group, u"HB-FILES");
         });
       }},
      {"moxUser.RemoveFromGroup",
       [] {
         auto u = UserNamed(u"dalia");
         return std::function<bool()>([u] {
           std::u16string group = u"Engineering";
           return u->RemoveFromGroup(group);
         });
       }},
      {"moxUser.UserName (rename)",
       [] {
         auto u = UserNamed(u"emil");
         return std::function<bool()>([u] {
           u->UserName(u"emilia");
           return u->UserName() == u"emilia";
         });
       }},
      {"moxUser.FullName",
       [] {
         auto u = UserNamed(u"chidi");
         return std::function<bool()>([u] {
           u->FullName(u"Chidi A. Eze");
           return true;
         });
       }},
      {"moxGroup.AddToLocalGroup",
       [] {
         auto g = moxGroup::Create();
         g->Find(u"Finance", u"HARBOR");
         return std::function<bool()>([g] {
           std::u16string local = u"FileAdmins";
           std::u16string server = u"HB-FILES";
           return g->AddToLocalGroup(local, server);
         });
       }},
      {"moxFileShares.Add",
       [] {
         auto shares = ServerNamed(u"HB-FILES")->FileShares();
         shares->Count();
         return std::function<bool()>(
             [shares] { return shares->Add(u"Scratch", u"D:\\scratch", u"Temporary", 3); });
       }},
      {"moxFileShares.Remove",
       [] {
         auto shares = ServerNamed(u"HB-FILES")->FileShares();
         shares->Count();
         return std::function<bool()>([shares] { return shares->Remove(Variant(u"Home")); });
       }},
      {"moxFileShare.Description",
       [] {
         auto share = moxFileShare::Create();
         share->Find(u"Projects", u"HB-FILES");
         return std::function<bool()>([share] {
           share->Description(u"All project files");
           return true;
         });
       }},
      {"moxService.StopSvc",
       [] {
         auto svc = moxService::Create();
         svc->Find(u"RpcSs", u"HB-DC1");
         return std::function<bool()>([svc] { return svc->StopSvc(); });
       }},
  };
}

class FaultSweep : public ::testing::TestWithParam<Operation> {
 protected:
  // A fresh sample directory behind a journal layer, installed as the current provider.
  void Fresh() {
    dir = MemoryDirectory::FromFile(MOXTREL_SOURCE_DIR "/examples/sample-directory.json");
    layer = JournalLayer::Wrap(dir);
    directory::SetCurrentProvider(layer);
  }
  ~FaultSweep() override { directory::SetCurrentProvider(nullptr); }

  std::shared_ptr<MemoryDirectory> dir;
  std::shared_ptr<JournalLayer> layer;
};

TEST_P(FaultSweep, EveryCallFailingLeavesNoHalfChange) {
  const Operation& op = GetParam();
  Fresh();
  auto act = op.prepare();
  const std::u16string before = dir->Snapshot();
  layer->Journal().Clear();
  ASSERT_TRUE(act()) << op.name << " does not succeed without faults";
  const std::size_t calls = layer->Journal().Size();
  const std::u16string after = dir->Snapshot();
  ASSERT_GT(calls, 0u);
  ASSERT_NE(before, after) << op.name << " changes nothing";

  for (std::size_t n = 1; n <= calls; ++n) {
    Fresh();
    auto faulted = op.prepare();
    layer->Journal().Clear();
    layer->Faults().Add({.member = u"*", .ordinal = static_cast<int32_t>(n)});
    bool succeeded = false;
    try {
      succeeded = faulted();
    } catch (const AutomationError&) {
      succeeded = false;
    }
    ASSERT_EQ(layer->Faults().Fired(), 1u) << op.name << ": call " << n << " was never made";
    const std::string failed_call = ToUtf8(layer->Journal().Entries()[n - 1].ToString());
    const std::u16string now = dir->Snapshot();
    EXPECT_TRUE(now == before || now == after)
        << op.name << " half-changed the directory when call " << n << " (" << failed_call
        << ") failed:\n"
        << ToUtf8(now);
    if (succeeded) {
      EXPECT_EQ(now, after) << op.name << " reported success although call " << n << " ("
                            << failed_call << ") failed and the change is not complete";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultSweep, ::testing::ValuesIn(Operations()),
                         [](const ::testing::TestParamInfo<Operation>& info) {
                           std::string name;
                           for (char c : info.param.name) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

}  // namespace
}  // namespace moxtrel::testing

// A small directory reached only through late binding: the CORP domain with its server SRV,
// a share, a print queue with one job, a service with a dependency, and fake system facts.
//
//   class T : public LateBindingTest {};
//   TEST_F(T, ...) { auto user = Obj(Get(Instances()[u"moxUsers"], u"Item", {u"alice"})); }
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "moxtrel/frame/dispatch.h"
#include "moxtrel/platform/fake_system_facts.h"
#include "moxtrel/platform/system_facts.h"
#include "moxtrel/services/mod_general.h"
#include "support/directory_fixture.h"

namespace moxtrel::testing {

class LateBindingTest : public DirectoryTest {
 protected:
  LateBindingTest() : facts(platform::FakeSystemFacts::Create()) {
    facts->SetComputerName(u"SRV");
    facts->SetUserName(u"alice");
    facts->SetDomainController(u"\\\\SRV");
    facts->SetPrivilege(u"alice", 2);
    platform::SetCurrentSystemFacts(facts);
    modGeneral::internal::ResetLocalComputerName();
    corp = build.AddDomain(u"CORP");
    alice = build.AddUser(corp, u"alice",
                          {{u"FullName", Variant(u"Alice Liddell")},
                           {u"Description", Variant(u"Reader")},
                           {u"HomeDirectory", Variant(u"H:\\alice")},
                           {u"LoginScript", Variant(u"go.cmd")},
                           {u"Profile", Variant(u"\\\\SRV\\profiles\\alice")},
                           {u"MaxStorage", Variant(int32_t{100})}});
    staff = build.AddGroup(corp, u"Staff", {{u"Description", Variant(u"Everyone")}});
    build.AddMember(staff, alice);
    srv = build.AddComputer(corp, u"SRV",
                            {{u"Division", Variant(u"Research")},
                             {u"Owner", Variant(u"Operations")},
                             {u"OperatingSystem", Variant(u"Windows NT")},
                             {u"OperatingSystemVersion", Variant(u"4.0")},
                             {u"Processor", Variant(u"x86 Family 6")},
                             {u"ProcessorCount", Variant(u"2")}});
    build.AddShare(srv, u"docs",
                   {{u"Path", Variant(u"C:\\docs")},
                    {u"Description", Variant(u"Documents")},
                    {u"MaxUserCount", Variant(int32_t{5})}});
    laser = build.AddPrintQueue(srv, u"LaserJet",
                                {{u"Location", Variant(u"Hall")}, {u"Model", Variant(u"LJ4")}});
    dir->SubmitJob(laser, {{u"User", Variant(u"bob")},
                           {u"Status", Variant(int32_t{0})},
                           {u"TotalPages", Variant(int32_t{3})},
                           {u"Description", Variant(u"report")}});
    build.AddService(srv, u"Spooler",
                     {{u"DisplayName", Variant(u"Print Spooler")},
                      {u"Path", Variant(u"C:\\spool.exe")},
                      {u"LoadOrderGroup", Variant(u"SpoolerGroup")},
                      {u"ServiceAccountName", Variant(u"LocalSystem")},
                      {u"ServiceType", Variant(int32_t{16})},
                      {u"StartType", Variant(int32_t{2})},
                      {u"ErrorControl", Variant(int32_t{1})},
                      {u"Dependencies", Variant::StringArray({u"RPC"})}});
    build.AddService(srv, u"RPC", {{u"DisplayName", Variant(u"Remote Procedure Call")}});
    dispatch::RegisterServer();
  }
  ~LateBindingTest() override {
    dispatch::RegisterServer();
    platform::SetCurrentSystemFacts(nullptr);
    modGeneral::internal::ResetLocalComputerName();
  }

  static Variant Get(const ObjectPtr& o, std::u16string_view name, std::vector<Variant> args = {}) {
    return dispatch::InvokeByName(*o, name, kDispatchGet, args);
  }
  static Variant Call(const ObjectPtr& o, std::u16string_view name,
                      std::vector<Variant> args = {}) {
    return dispatch::InvokeByName(*o, name, kDispatchMethod, args);
  }
  static void Put(const ObjectPtr& o, std::u16string_view name, Variant value) {
    std::vector<Variant> args{std::move(value)};
    dispatch::InvokeByName(*o, name, kDispatchPut, args);
  }
  static ObjectPtr Obj(const Variant& v) { return v.AsObject(); }

  // One bound instance of every public class, reached from created roots by late binding.
  std::map<std::u16string, ObjectPtr> Instances() {
    std::map<std::u16string, ObjectPtr> out;
    auto domain = dispatch::CreateObject(u"Moxtrel.moxDomain");
    Put(domain, u"Name", Variant(u"CORP"));
    out[u"moxDomain"] = domain;
    out[u"moxUsers"] = Obj(Get(domain, u"Users"));
    out[u"moxGroups"] = Obj(Get(domain, u"Groups"));
    out[u"moxServers"] = Obj(Get(domain, u"Servers"));
    out[u"moxUser"] = Obj(Get(out[u"moxUsers"], u"Item", {Variant(u"alice")}));
    out[u"moxGroup"] = Obj(Get(out[u"moxGroups"], u"Item", {Variant(u"Staff")}));
    auto server = dispatch::CreateObject(u"moxServer");
    Put(server, u"Name", Variant(u"SRV"));
    out[u"moxServer"] = server;
    out[u"moxFileShares"] = Obj(Get(server, u"FileShares"));
    out[u"moxFileShare"] = Obj(Get(out[u"moxFileShares"], u"Item", {Variant(u"docs")}));
    out[u"moxPrintQueues"] = Obj(Get(server, u"PrintQueues"));
    out[u"moxPrintQueue"] = Obj(Get(out[u"moxPrintQueues"], u"Item", {Variant(u"LaserJet")}));
    out[u"moxPrintJobs"] = Obj(Get(out[u"moxPrintQueue"], u"PrintJobs"));
    out[u"moxPrintJob"] = Obj(Get(out[u"moxPrintJobs"], u"Item", {Variant(int32_t{1})}));
    auto services = dispatch::CreateObject(u"moxServices");
    Put(services, u"Server", Variant(u"SRV"));
    out[u"moxServices"] = services;
    out[u"moxService"] = Obj(Get(services, u"Item", {Variant(u"Spooler")}));
    out[u"moxServiceDeps"] = Obj(Get(out[u"moxService"], u"Dependencies"));
    out[u"moxCurrentEnvironment"] = dispatch::AppObject();
    return out;
  }

  std::shared_ptr<platform::FakeSystemFacts> facts;
  std::u16string corp, alice, staff, srv, laser;
};

}  // namespace moxtrel::testing

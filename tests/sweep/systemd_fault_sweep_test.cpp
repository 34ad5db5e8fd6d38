// The systemd backend's fault sweep: every writing operation runs once cleanly against a private
// manager to count the filesystem steps it makes in the unit folder (mkdir, open, write, fsync,
// rename, unlink), then once more per step with that step failing. Each faulted run must leave
// the unit folder as it was or as the clean run left it, with no file left beside a unit, and
// report success only when the change is complete.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "moxtrel/backends/systemd/systemd_provider.h"
#include "moxtrel/backends/systemd/unit_files.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/automation_error.h"
#include "support/private_systemd.h"

namespace moxtrel::testing {
namespace {

namespace fs = std::filesystem;
using namespace directory;
using backends::systemd::SetUnitFileHook;
using backends::systemd::UnitFileStep;

struct SystemdOperation {
  std::string name;
  std::function<void(DirectoryProvider&)> setup;  // made before counting, never faulted
  std::function<void(DirectoryProvider&)> act;
};

void PrintTo(const SystemdOperation& op, std::ostream* os) {
  *os << op.name;
}

std::shared_ptr<IADsService> Service(DirectoryProvider& p, const std::u16string& name) {
  return As<IADsService>(p.GetObject(u"WinNT://PC1/" + name + u",service"));
}
std::shared_ptr<IADsComputer> UnitComputer(DirectoryProvider& p) {
  return As<IADsComputer>(p.GetObject(u"WinNT://PC1,computer"));
}

void Nothing(DirectoryProvider&) {}

void CreateNew(DirectoryProvider& p) {
  auto s = As<IADsService>(UnitComputer(p)->Create(u"service", u"mox-new"));
  s->Path(u"/bin/sleep 100000");
  s->DisplayName(u"New service");
  s->StartType(2);
  s->SetInfo();
}

std::vector<SystemdOperation> SystemdOperations() {
  return {
      {"DisplayName", Nothing,
       [](DirectoryProvider& p) {
         auto s = Service(p, u"mox-sleep");
         s->DisplayName(u"Renamed");
         s->SetInfo();
       }},
      {"PathOverADropIn",
       [](DirectoryProvider& p) {
         auto s = Service(p, u"mox-sleep");
         s->DisplayName(u"Renamed");
         s->SetInfo();
       },
       [](DirectoryProvider& p) {
         auto s = Service(p, u"mox-sleep");
         s->Path(u"/bin/sleep 200000");
         s->ServiceAccountName(u"nobody");
         s->SetInfo();
       }},
      {"Dependencies", Nothing,
       [](DirectoryProvider& p) {
         auto s = Service(p, u"mox-dep");
         s->Dependencies(Variant::StringArray({u"mox-sleep", u"mox-extra"}));
         s->SetInfo();
       }},
      {"CreateService", Nothing, CreateNew},
      {"DeleteService",
       [](DirectoryProvider& p) {
         CreateNew(p);
         auto s = Service(p, u"mox-new");
         s->DisplayName(u"Renamed");
         s->SetInfo();
       },
       [](DirectoryProvider& p) { UnitComputer(p)->Delete(u"service", u"mox-new"); }},
  };
}

const char* StepName(UnitFileStep step) {
  switch (step) {
    case UnitFileStep::kMkdir:
      return "mkdir";
    case UnitFileStep::kOpen:
      return "open";
    case UnitFileStep::kWrite:
      return "write";
    case UnitFileStep::kFsync:
      return "fsync";
    case UnitFileStep::kRename:
      return "rename";
    case UnitFileStep::kUnlink:
      return "unlink";
  }
  return "?";
}

class SystemdFaultSweep : public ::testing::TestWithParam<SystemdOperation> {
 protected:
  void SetUp() override {
    if (!manager().Available()) GTEST_SKIP() << manager().Why();
  }
  ~SystemdFaultSweep() override { SetUnitFileHook(nullptr); }

  static PrivateSystemd& manager() { return SharedSystemd(); }
  static std::shared_ptr<DirectoryProvider> Fresh() {
    manager().Reset();
    backends::systemd::SystemdOptions o;
    o.bus = manager().Bus();
    o.unit_dir = manager().Units();
    o.computer = u"PC1";
    o.timeout = std::chrono::seconds(20);
    return backends::systemd::MakeSystemdProvider(o);
  }
  // The unit folder: every file with its text, every link with its target; files written
  // beside a unit show up here too.
  static std::string State() {
    std::vector<std::string> lines;
    for (const auto& e : fs::recursive_directory_iterator(manager().Units())) {
      std::string line = e.path().string();
      if (e.is_symlink()) {
        line += " -> " + fs::read_symlink(e.path()).string();
      } else if (e.is_regular_file()) {
        std::ifstream in(e.path());
        line += "\n" + std::string(std::istreambuf_iterator<char>(in), {});
      }
      lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
  }
  static std::string Leftovers() {
    std::string found;
    for (const auto& e : fs::recursive_directory_iterator(manager().Units())) {
      if (e.path().filename().string().rfind(".#", 0) == 0) found += e.path().string() + " ";
    }
    return found;
  }
};

TEST_P(SystemdFaultSweep, EveryFailingStepLeavesTheUnitFolderWhole) {
  const SystemdOperation& op = GetParam();
  std::string before, after;
  int steps = 0;
  {
    auto provider = Fresh();
    op.setup(*provider);
    before = State();
    SetUnitFileHook([&](UnitFileStep, const std::string&) {
      ++steps;
      return 0;
    });
    op.act(*provider);
    SetUnitFileHook(nullptr);
    after = State();
    ASSERT_NE(before, after) << op.name << " changes nothing";
  }
  ASSERT_GT(steps, 0);

  for (int n = 1; n <= steps; ++n) {
    auto provider = Fresh();
    op.setup(*provider);
    ASSERT_EQ(State(), before) << op.name << ": the setup differs from run to run";
    int seen = 0;
    std::string failed;
    SetUnitFileHook([&](UnitFileStep step, const std::string& path) {
      if (++seen != n) return 0;
      failed = std::string(StepName(step)) + " " + path;
      return EIO;
    });
    bool succeeded = true;
    try {
      op.act(*provider);
    } catch (const AutomationError&) {
      succeeded = false;
    }
    SetUnitFileHook(nullptr);
    ASSERT_FALSE(failed.empty()) << op.name << ": step " << n << " was never made";
    const std::string now = State();
    EXPECT_TRUE(now == before || now == after)
        << op.name << " left the unit folder half-changed when step " << n << " (" << failed
        << ") failed:\n"
        << now;
    if (succeeded) {
      EXPECT_EQ(now, after) << op.name << " reported success although step " << n << " (" << failed
                            << ") failed";
    } else {
      EXPECT_EQ(now, before) << op.name << " reported a failure at step " << n << " (" << failed
                             << ") but changed the unit folder";
    }
    EXPECT_EQ(Leftovers(), "") << op.name << ", step " << n << " (" << failed << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, SystemdFaultSweep, ::testing::ValuesIn(SystemdOperations()),
                         [](const ::testing::TestParamInfo<SystemdOperation>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace moxtrel::testing

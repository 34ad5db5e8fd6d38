// Fuzz target: late-bound calls on every class with names, DISPIDs, call kinds and arguments
// taken from the input, against the sample directory. An AutomationError is an outcome; a
// crash, a sanitizer report or any other exception is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/dispatch.h"
#include "moxtrel/frame/typelib.h"
#include "moxtrel/memory/memory_directory.h"
#include "moxtrel/platform/fake_system_facts.h"
#include "moxtrel/platform/system_facts.h"

namespace {

using namespace moxtrel;

const std::vector<std::u16string>& Words() {
  static const std::vector<std::u16string> words = [] {
    std::vector<std::u16string> w{u"",        u"Item",   u"_NewEnum", u"Next",
                                  u"HARBOR",  u"HB-DC1", u"amara",    u"Finance",
                                  u"Spooler", u"Laser3", u"Projects", u"WinNT://HARBOR/amara",
                                  u"Nope"};
    for (const auto& cls : typelib::Library().classes) {
      w.push_back(cls.coclass.name);
      for (const auto& m : cls.iface.members) w.push_back(m.name);
    }
    return w;
  }();
  return words;
}

Variant Arg(fuzz::FuzzInput& in, const std::vector<ObjectPtr>& pool) {
  switch (in.Byte() % 12) {
    case 0:
      return Variant();
    case 1:
      return Variant::Missing();
    case 2:
      return Variant(static_cast<int32_t>(in.U32()));
    case 3:
      return Variant::Boolean(in.Byte() & 1);
    case 4: {
      const uint64_t bits = (uint64_t{in.U32()} << 32) | in.U32();
      double d;
      static_assert(sizeof d == sizeof bits);
      __builtin_memcpy(&d, &bits, sizeof d);
      return Variant(d);
    }
    case 5: {
      const uint64_t bits = (uint64_t{in.U32()} << 32) | in.U32();
      double d;
      __builtin_memcpy(&d, &bits, sizeof d);
      return Variant(Date{d});
    }
    case 6:
      return Variant(Words()[in.Byte() % Words().size()]);
    case 7:
      return Variant(in.Text(40));
    case 8:
      return pool.empty() ? Variant(ObjectPtr()) : Variant(pool[in.Byte() % pool.size()]);
    case 9: {
      VariantArray a;
      a.lower_bound = static_cast<int8_t>(in.Byte());
      for (int n = in.Byte() % 4; n > 0; --n) a.items.push_back(Variant(in.Text(8)));
      return Variant(std::move(a));
    }
    case 10:
      return Variant(static_cast<int16_t>(in.U32()));
    default:
      return Variant(ByteArray{in.Byte(), in.Byte()});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 2048) return 0;
  auto facts = platform::FakeSystemFacts::Create();
  facts->SetComputerName(u"HB-DC1");
  facts->SetUserName(u"amara");
  facts->SetPrivilege(u"amara", 2);
  platform::SetCurrentSystemFacts(facts);
  auto dir = directory::MemoryDirectory::Sample();
  directory::SetCurrentProvider(dir);
  dispatch::RegisterServer();
  {
    fuzz::FuzzInput in(data, size);
    std::vector<ObjectPtr> pool;
    const auto classes = dispatch::RegisteredClasses();
    for (int calls = 0; calls < 64 && !in.Empty(); ++calls) {
      try {
        if (pool.empty() || in.Byte() % 4 == 0) {
          pool.push_back(dispatch::CreateObject(classes[in.Byte() % classes.size()]));
          continue;
        }
        ObjectPtr target = pool[in.Byte() % pool.size()];
        std::vector<Variant> args(in.Byte() % 6);
        for (auto& a : args) a = Arg(in, pool);
        const uint8_t kind = in.Byte();
        const uint16_t flags =
            kind & 0x80 ? static_cast<uint16_t>(in.U32()) : static_cast<uint16_t>(kind % 16);
        Variant result;
        if (kind & 0x40) {
          const DispId id = kind & 0x20 ? static_cast<DispId>(0x68030000 + in.Byte() % 64)
                                        : static_cast<DispId>(in.U32());
          result = dispatch::Invoke(*target, id, flags, args);
        } else {
          const std::u16string name =
              kind & 0x20 ? in.Text(16) : Words()[in.Byte() % Words().size()];
          result = dispatch::InvokeByName(*target, name, flags, args);
        }
        if (result.IsObject() && result.AsObject() && pool.size() < 32) {
          pool.push_back(result.AsObject());
        }
      } catch (const AutomationError&) {
      }
    }
  }
  directory::SetCurrentProvider(nullptr);
  platform::SetCurrentSystemFacts(nullptr);
  return 0;
}

#include "moxtrel/printing/print_queues.h"

#include "moxtrel/directory/provider.h"
#include "moxtrel/directory/winnt_paths.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/frame/trapped_failure.h"

namespace moxtrel {

std::shared_ptr<moxPrintQueues> moxPrintQueues::Create() {
  return std::shared_ptr<moxPrintQueues>(new moxPrintQueues);
}

void moxPrintQueues::SetServerName(const std::u16string& name) {
  server_ = Trim(name);
  MarkStale();
}

bool moxPrintQueues::Refresh() {
  const auto store = Store::Create();
  store_ = store;
  if (server_.empty()) return false;
  auto computer = directory::Bind<directory::IADsContainer>(directory::ComputerPath(server_));
  computer->Filter(Variant::StringArray({u"PrintQueue"}));
  auto walk = computer->NewEnum();
  while (auto element = walk->Next()) {
    auto queue = directory::As<directory::IADsPrintQueue>(element);
    auto member = moxPrintQueue::Create();
    member->BindFromPath(queue->ADsPath());
    if (member->Exists()) store->Add(member, member->Name());
  }
  MarkCurrent();
  return true;
}

bool moxPrintQueues::Remove(const Variant& Index) {
  RefreshIfNeeded();
  try {
    const auto member = RequireStore().Item(Index);
    auto computer =
        directory::Bind<directory::IADsComputer>(directory::ComputerPath(member->Server()));
    computer->Delete(u"PrintQueue", member->Name());
  } catch (const AutomationError& e) {
    NoteTrapped(u"moxPrintQueues.Remove", e);
    return false;
  }
  return true;
}

}  // namespace moxtrel

// moxPrintQueues: the print queues of one server, keyed by queue name. Its server object
// names it; it lists the queues on first use and again on Refresh.
//
//   auto queues = server->PrintQueues();
//   for (int32_t i = 1; i <= queues->Count(); ++i)
//     use(queues->Item(Variant(i))->Name());
//   queues->Remove(Variant(u"OldPrinter"));   // deleted now, listed until the next Refresh
#pragma once

#include <memory>
#include <string>

#include "moxtrel/frame/keyed_collection.h"
#include "moxtrel/printing/print_queue.h"

namespace moxtrel {

class moxServer;

class moxPrintQueues final : public KeyedCollection<std::shared_ptr<moxPrintQueue>> {
 public:
  static std::shared_ptr<moxPrintQueues> Create();
  std::u16string_view TypeName() const noexcept override { return u"moxPrintQueues"; }

  using KeyedCollection::Count;
  using KeyedCollection::Item;
  using KeyedCollection::NewEnum;

  // Deletes the queue from its server; the list keeps it until the next Refresh.
  bool Remove(const Variant& Index);
  // Lists the server's queues; false when no server is named.
  bool Refresh() override;

 private:
  moxPrintQueues() : KeyedCollection(/*needs_refresh=*/false, /*create_store=*/false) {}
  friend class moxServer;
  using KeyedCollection::Exists;

  void SetServerName(const std::u16string& name);

  std::u16string server_;
};

}  // namespace moxtrel

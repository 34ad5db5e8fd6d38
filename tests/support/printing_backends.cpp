#include "support/printing_backends.h"

#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/frame/text.h"
#include "moxtrel/memory/memory_directory.h"
#include "support/cupsd_server.h"

namespace moxtrel::testing {
namespace {

class EmbeddedPrinting final : public PrintingBackend {
 public:
  EmbeddedPrinting() {
    directory::DirectoryBuilder b(*dir_);
    const auto pc = b.AddComputer(u"", kComputer);
    queue_ = b.AddPrintQueue(pc, kQueue,
                             {{u"Description", Variant(u"Laser printer")},
                              {u"Location", Variant(u"Hall")},
                              {u"Priority", Variant(int32_t{1})}});
  }
  std::shared_ptr<directory::DirectoryProvider> Provider() override { return dir_; }
  std::u16string Submit(const std::string& user, const std::string& title, int bytes) override {
    return Name(dir_->SubmitJob(queue_, Job(user, title, bytes, 0)));
  }
  std::u16string SubmitIncoming(const std::string& user, const std::string& title) override {
    return Name(dir_->SubmitJob(queue_, Job(user, title, 0, directory::kJobStatusSpooling)));
  }
  void FinishIncoming(const std::u16string& job) override {
    dir_->SetJobStatus(queue_ + u"/" + job, 0);
  }
  void CancelBehind(const std::u16string& job) override {
    directory::As<directory::IADsPrintQueueOperations>(dir_->GetObject(queue_ + u",PrintQueue"))
        ->PrintJobs()
        ->Remove(job);
  }

 private:
  static directory::Attributes Job(const std::string& user, const std::string& title, int bytes,
                                   int32_t status) {
    return {{u"User", Variant(FromUtf8(user))}, {u"Description", Variant(FromUtf8(title))},
            {u"Size", Variant(int32_t{bytes})}, {u"Priority", Variant(int32_t{50})},
            {u"Status", Variant(status)},       {u"TimeSubmitted", Variant(Date{46000.5})}};
  }
  static std::u16string Name(const std::u16string& path) {
    return path.substr(path.rfind(u'/') + 1);
  }

  std::shared_ptr<directory::MemoryDirectory> dir_ = directory::MemoryDirectory::Create();
  std::u16string queue_;
};

class CupsPrinting final : public PrintingBackend {
 public:
  CupsPrinting() {
    if (server_.Available()) server_.AddQueue(ToUtf8(kQueue), false, "Laser printer", "Hall");
  }
  std::string SkipReason() override { return server_.Available() ? "" : server_.Why(); }
  std::string Address() override { return server_.Server(); }
  std::shared_ptr<directory::DirectoryProvider> Provider() override {
    if (!provider_) {
      backends::cups::CupsOptions o;
      o.server = server_.Server();
      o.computer = std::u16string(kComputer);
      o.user = "root";
      provider_ = backends::cups::MakeCupsProvider(o);
    }
    return provider_;
  }
  std::u16string Submit(const std::string& user, const std::string& title, int bytes) override {
    return Id(server_.Submit(ToUtf8(kQueue), user, title, bytes));
  }
  std::u16string SubmitIncoming(const std::string& user, const std::string& title) override {
    return Id(server_.SubmitIncoming(ToUtf8(kQueue), user, title));
  }
  void FinishIncoming(const std::u16string& job) override {
    server_.FinishIncoming(ToUtf8(kQueue), std::stoi(ToUtf8(job)), 2048);
  }
  void CancelBehind(const std::u16string& job) override { server_.Cancel(std::stoi(ToUtf8(job))); }

  CupsdServer* Cupsd() override { return &server_; }

 private:
  static std::u16string Id(int id) { return FromUtf8(std::to_string(id)); }

  CupsdServer server_;
  std::shared_ptr<directory::DirectoryProvider> provider_;
};

}  // namespace

std::vector<BackendFactory> PrintingBackends() {
  return {
      {"embedded", [] { return std::make_unique<EmbeddedPrinting>(); }},
      {"cupsd", [] { return std::make_unique<CupsPrinting>(); }},
  };
}

}  // namespace moxtrel::testing

#include "moxtrel/routing/computer_parts.h"

#include <algorithm>

#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::directory {
namespace {

// The kinds a container filter names; empty for no filter. Bad filters are left to the part
// that receives them, which refuses them in its own words.
std::vector<ObjectKind> FilterKinds(const Variant& filter) {
  std::vector<ObjectKind> kinds;
  auto add = [&](const Variant& word) {
    if (!word.IsString()) return;
    if (auto kind = KindFromClassWord(word.AsString())) kinds.push_back(*kind);
  };
  if (filter.IsArray()) {
    for (const auto& item : filter.AsArray().items) add(item);
  } else {
    add(filter);
  }
  return kinds;
}

// Walks the enumerations of several parts one after the other. Without a filter, each part
// shows only the kinds it serves (a backend may hold more than its part of the computer).
class ChainedEnum final : public IADsEnum {
 public:
  struct Source {
    std::shared_ptr<IADsContainer> container;
    const ComputerParts::Part* part;
    bool filtered;
  };
  explicit ChainedEnum(std::vector<Source> sources) : sources_(std::move(sources)) {}

  std::shared_ptr<IADs> Next() override {
    while (true) {
      if (!current_) {
        if (next_ == sources_.size()) return nullptr;
        current_ = sources_[next_++].container->NewEnum();
      }
      auto object = current_->Next();
      if (!object) {
        current_.reset();
        continue;
      }
      const Source& source = sources_[next_ - 1];
      if (source.filtered) return object;
      const auto kind = KindFromClassWord(object->Class());
      if (kind && source.part->Serves(*kind)) return object;
    }
  }

 private:
  std::vector<Source> sources_;
  std::size_t next_ = 0;
  std::unique_ptr<IADsEnum> current_;
};

// The computer object of a ComputerParts: the first part's computer, with container calls sent
// to the part that serves the class they name.
class PartsComputer final : public IADsComputer, public IADsComputerOperations {
 public:
  PartsComputer(std::shared_ptr<const ComputerParts> parts, std::shared_ptr<IADs> primary,
                std::u16string path)
      : parts_(std::move(parts)), primary_(std::move(primary)), path_(std::move(path)) {}

  std::u16string Name() override { return primary_->Name(); }
  std::u16string Class() override { return primary_->Class(); }
  std::u16string GUID() override { return primary_->GUID(); }
  std::u16string ADsPath() override { return primary_->ADsPath(); }
  std::u16string Parent() override { return primary_->Parent(); }
  Variant Get(std::u16string_view name) override { return primary_->Get(name); }
  void Put(std::u16string_view name, const Variant& value) override { primary_->Put(name, value); }
  void SetInfo() override { primary_->SetInfo(); }

  void Filter(const Variant& class_words) override {
    // Checked by the primary part, so a bad filter fails here rather than at enumeration.
    As<IADsContainer>(primary_)->Filter(class_words);
    filter_ = class_words;
  }
  Variant Filter() override { return As<IADsContainer>(primary_)->Filter(); }

  std::unique_ptr<IADsEnum> NewEnum() override {
    const std::vector<ObjectKind> wanted = FilterKinds(filter_);
    std::vector<ChainedEnum::Source> sources;
    for (const auto& part : parts_->Parts()) {
      if (!wanted.empty() && std::none_of(wanted.begin(), wanted.end(),
                                          [&](ObjectKind k) { return part.Serves(k); })) {
        continue;
      }
      auto container = ContainerOf(part);
      if (!wanted.empty()) container->Filter(filter_);
      sources.push_back({std::move(container), &part, !wanted.empty()});
    }
    return std::make_unique<ChainedEnum>(std::move(sources));
  }

  std::shared_ptr<IADs> Create(std::u16string_view class_word, std::u16string_view name) override {
    return ContainerFor(class_word)->Create(class_word, name);
  }
  void Delete(std::u16string_view class_word, std::u16string_view name) override {
    ContainerFor(class_word)->Delete(class_word, name);
  }
  std::shared_ptr<IADs> MoveHere(std::u16string_view source_path,
                                 std::u16string_view new_name) override {
    const auto kind = ParsePath(source_path).kind;
    if (!kind) return As<IADsContainer>(primary_)->MoveHere(source_path, new_name);
    return ContainerOf(Require(*kind))->MoveHere(source_path, new_name);
  }

  std::u16string Division() override { return Computer()->Division(); }
  std::u16string OperatingSystem() override { return Computer()->OperatingSystem(); }
  std::u16string OperatingSystemVersion() override { return Computer()->OperatingSystemVersion(); }
  std::u16string Owner() override { return Computer()->Owner(); }
  std::u16string Processor() override { return Computer()->Processor(); }
  std::u16string ProcessorCount() override { return Computer()->ProcessorCount(); }
  void Shutdown(bool reboot) override { As<IADsComputerOperations>(primary_)->Shutdown(reboot); }

 private:
  std::shared_ptr<IADsComputer> Computer() { return As<IADsComputer>(primary_); }

  const ComputerParts::Part& Require(ObjectKind kind) const {
    if (const auto* part = parts_->PartFor(kind)) return *part;
    throw AutomationError(errc::kNoSuchObject, parts_->Missing(kind) + u" (" + path_ + u")");
  }

  std::shared_ptr<IADsContainer> ContainerOf(const ComputerParts::Part& part) {
    if (&part == &parts_->Parts().front()) return As<IADsContainer>(primary_);
    return As<IADsContainer>(part.backend->GetObject(path_));
  }

  std::shared_ptr<IADsContainer> ContainerFor(std::u16string_view class_word) {
    const auto kind = KindFromClassWord(class_word);
    if (!kind) return As<IADsContainer>(primary_);  // refused there, in its words
    return ContainerOf(Require(*kind));
  }

  std::shared_ptr<const ComputerParts> parts_;
  std::shared_ptr<IADs> primary_;
  std::u16string path_;
  Variant filter_;
};

std::u16string_view Plural(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::kUser:
      return u"users";
    case ObjectKind::kGroup:
      return u"groups";
    case ObjectKind::kFileService:
    case ObjectKind::kFileShare:
      return u"file shares";
    case ObjectKind::kPrintQueue:
    case ObjectKind::kPrintJob:
      return u"print queues";
    case ObjectKind::kService:
      return u"services";
    default:
      return u"objects of that kind";
  }
}

}  // namespace

bool ComputerParts::Part::Serves(ObjectKind kind) const {
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

ComputerParts::ComputerParts(std::u16string computer) : computer_(std::move(computer)) {}

void ComputerParts::Add(std::vector<ObjectKind> kinds, std::shared_ptr<DirectoryProvider> backend) {
  if (!backend || kinds.empty()) {
    throw AutomationError(errc::kInvalidArg,
                          u"ComputerParts " + computer_ + u": a part needs a backend and kinds");
  }
  for (ObjectKind kind : kinds) {
    if (PartFor(kind)) {
      throw AutomationError(errc::kInvalidArg, u"ComputerParts " + computer_ + u": " +
                                                   std::u16string(Plural(kind)) +
                                                   u" are served by another part already");
    }
  }
  parts_.push_back(Part{std::move(kinds), std::move(backend)});
}

const ComputerParts::Part* ComputerParts::PartFor(ObjectKind kind) const {
  for (const auto& part : parts_) {
    if (part.Serves(kind)) return &part;
  }
  return nullptr;
}

std::u16string ComputerParts::Missing(ObjectKind kind) const {
  return u"The computer " + computer_ + u" has no backend configured for its " +
         std::u16string(Plural(kind));
}

std::optional<ObjectKind> ComputerParts::KindOf(const ParsedPath& parsed) const {
  if (parsed.kind) return parsed.kind;
  const auto& names = parsed.components;
  // Where the computer stands: "WinNT://C/..." or "WinNT://D/C/...".
  std::size_t at = 0;
  if (!EqualsNoCase(names[0], computer_) && names.size() > 1 && EqualsNoCase(names[1], computer_)) {
    at = 1;
  }
  const std::size_t below = names.size() - at - 1;
  if (below == 0) return ObjectKind::kComputer;
  if (EqualsNoCase(names[at + 1], kFileServiceName)) {
    return below == 1 ? ObjectKind::kFileService : ObjectKind::kFileShare;
  }
  if (below == 2) return ObjectKind::kPrintJob;
  return std::nullopt;
}

std::shared_ptr<IADs> ComputerParts::GetObject(std::u16string_view path) {
  if (parts_.empty()) {
    throw AutomationError(errc::kNoSuchObject,
                          u"The computer " + computer_ + u" has no backend configured");
  }
  const ParsedPath parsed = ParsePath(path);
  const auto kind = KindOf(parsed);
  if (kind == ObjectKind::kComputer) {
    return std::make_shared<PartsComputer>(
        shared_from_this(), parts_.front().backend->GetObject(path), std::u16string(path));
  }
  if (kind) {
    const Part* part = PartFor(*kind);
    if (!part)
      throw AutomationError(errc::kNoSuchObject,
                            Missing(*kind) + u" (" + std::u16string(path) + u")");
    return part->backend->GetObject(path);
  }
  // A name without a class word: the first part that knows it.
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    try {
      return parts_[i].backend->GetObject(path);
    } catch (const AutomationError& e) {
      if (e.code() != static_cast<int32_t>(errc::kNoSuchObject) || i + 1 == parts_.size()) throw;
    }
  }
  throw AutomationError(errc::kNoSuchObject,
                        u"There is no directory object at " + std::u16string(path));
}

}  // namespace moxtrel::directory

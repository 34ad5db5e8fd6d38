// Bound handles of the embedded directory: what GetObject, enumeration and Create hand out.
// A handle holds its node and its own property cache: puts are staged in the handle until
// SetInfo commits them. Every call holds the directory's lock while it runs, so handles of one
// directory may be used from several threads.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "moxtrel/directory/ads.h"
#include "moxtrel/directory/class_filter.h"
#include "moxtrel/memory/directory_core.h"

namespace moxtrel::directory {

using CorePtr = std::shared_ptr<DirectoryCore>;

// A handle of the interfaces of the node's class.
std::shared_ptr<IADs> MakeHandle(const CorePtr& core, NodePtr node);

class ObjectHandle : public virtual IADs {
 public:
  ObjectHandle(CorePtr core, NodePtr node) : core_(std::move(core)), node_(std::move(node)) {}

  std::u16string Name() override;
  std::u16string Class() override;
  std::u16string GUID() override;
  std::u16string ADsPath() override;
  std::u16string Parent() override;
  Variant Get(std::u16string_view name) override;
  void Put(std::u16string_view name, const Variant& value) override;
  void SetInfo() override;

 protected:
  // Takes the directory's lock for the call and refuses it when the object has been deleted.
  [[nodiscard]] DirectoryCore::Guard Enter();
  // Refuses an object made by Create that SetInfo has not yet created.
  void RequireCreated() const;
  std::u16string MyPath() const { return CanonicalPath(*node_); }

  // A typed property get or put.
  Variant Read(std::u16string_view attribute);
  void Write(std::u16string_view attribute, const Variant& value);
  std::u16string ReadString(std::u16string_view a) { return Read(a).ToString(); }
  int32_t ReadLong(std::u16string_view a) { return Read(a).ToLong(); }
  bool ReadBool(std::u16string_view a) { return Read(a).ToBool(); }
  Date ReadDate(std::u16string_view a) { return Read(a).ToDate(); }
  void WriteString(std::u16string_view a, std::u16string_view v) {
    Write(a, Variant(std::u16string(v)));
  }

  CorePtr core_;
  NodePtr node_;

 private:
  void Stage(std::u16string_view name, const Variant& value);
  void ValidateStaged() const;
  AttributeMap staged_;
};

class ContainerHandle : public ObjectHandle, public virtual IADsContainer {
 public:
  using ObjectHandle::ObjectHandle;

  void Filter(const Variant& class_words) override;
  Variant Filter() override;
  std::unique_ptr<IADsEnum> NewEnum() override;
  std::shared_ptr<IADs> Create(std::u16string_view class_word, std::u16string_view name) override;
  void Delete(std::u16string_view class_word, std::u16string_view name) override;
  std::shared_ptr<IADs> MoveHere(std::u16string_view source_path,
                                 std::u16string_view new_name) override;

 private:
  ClassFilter filter_;
};

// Walks a snapshot of nodes, skipping any deleted since.
class NodeEnum final : public IADsEnum {
 public:
  NodeEnum(CorePtr core, std::u16string path, std::vector<NodePtr> nodes)
      : core_(std::move(core)), path_(std::move(path)), nodes_(std::move(nodes)) {}
  std::shared_ptr<IADs> Next() override;
  std::size_t Remaining() const override { return nodes_.size() - pos_; }

 private:
  CorePtr core_;
  std::u16string path_;
  std::vector<NodePtr> nodes_;
  std::size_t pos_ = 0;
};

}  // namespace moxtrel::directory

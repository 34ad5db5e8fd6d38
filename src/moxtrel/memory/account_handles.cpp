#include "moxtrel/memory/account_handles.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::directory {

void ComputerHandle::Shutdown(bool reboot) {
  auto lock = Enter();
  RequireCreated();
  core_->shutdown_requests.push_back(MyPath() + (reboot ? u" reboot" : u" halt"));
}

std::shared_ptr<IADsMembers> UserHandle::Groups() {
  auto lock = Enter();
  RequireCreated();
  return std::make_shared<MemberList>(core_, node_, true);
}

void UserHandle::SetPassword(std::u16string_view password) {
  // The password itself never reaches the journal.
  auto lock = Enter();
  RequireCreated();
  int32_t minimum = ReadAttribute(*node_, nullptr, u"PasswordMinimumLength").ToLong();
  if (static_cast<int64_t>(password.size()) < minimum) {
    throw AutomationError(errc::kPasswordRestriction, u"The password for " + MyPath() +
                                                          u" is shorter than the " +
                                                          FromUtf8(std::to_string(minimum)) +
                                                          u" characters the account requires");
  }
  node_->password = std::u16string(password);
  node_->attributes[u"PasswordAge"] = Variant(int32_t{0});
}

std::shared_ptr<IADsMembers> GroupHandle::Members() {
  auto lock = Enter();
  RequireCreated();
  return std::make_shared<MemberList>(core_, node_, false);
}

bool GroupHandle::IsMember(std::u16string_view path) {
  auto lock = Enter();
  NodePtr member;
  try {
    member = core_->Resolve(path);
  } catch (const AutomationError& e) {
    if (e.code() == static_cast<int32_t>(errc::kNoSuchObject)) return false;
    throw;
  }
  return node_->member_set.contains(member.get());
}

void GroupHandle::Add(std::u16string_view path) {
  auto lock = Enter();
  RequireCreated();
  core_->AddMember(node_, core_->Resolve(path));
}

void GroupHandle::Remove(std::u16string_view path) {
  auto lock = Enter();
  RequireCreated();
  core_->RemoveMember(node_, core_->Resolve(path));
}

std::unique_ptr<IADsEnum> MemberList::NewEnum() {
  auto lock = core_->Lock();
  std::u16string path = CanonicalPath(*owner_);
  if (owner_->life == Life::kDeleted) {
    throw AutomationError(errc::kNoSuchObject, path + u" no longer exists");
  }
  std::vector<NodePtr> nodes;
  if (groups_) {
    for (const auto& weak : owner_->groups) {
      if (NodePtr g = weak.lock()) nodes.push_back(std::move(g));
    }
  } else {
    nodes = owner_->members;
  }
  return std::make_unique<NodeEnum>(core_, path, std::move(nodes));
}

}  // namespace moxtrel::directory

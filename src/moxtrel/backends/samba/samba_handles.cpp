#include "moxtrel/backends/samba/samba_handles.h"

#include "moxtrel/directory/snapshot_enum.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::samba {
using directory::ObjectKind;

std::shared_ptr<directory::IADs> MakeSambaHandle(const ContextPtr& ctx, const Target& target) {
  switch (target.kind) {
    case ObjectKind::kFileShare:
      return std::make_shared<SambaShare>(ctx, target.share, false, target.read);
    case ObjectKind::kFileService:
      return std::make_shared<SambaFileService>(ctx);
    default:
      return std::make_shared<SambaComputer>(ctx);
  }
}

// The computer.

std::unique_ptr<directory::IADsEnum> SambaComputer::NewEnum() {
  std::vector<std::shared_ptr<directory::IADs>> items;
  if (Lists(ObjectKind::kFileService)) items.push_back(std::make_shared<SambaFileService>(ctx_));
  return directory::EnumSnapshot(std::move(items));
}

// The file service.

Variant SambaFileService::Get(std::u16string_view name) {
  if (EqualsNoCase(name, u"HostComputer")) return Variant(ctx_->ComputerPath());
  if (EqualsNoCase(name, u"Description")) return Variant(u"");
  throw AutomationError(errc::kPropertyNotFound, u"The property \"" + std::u16string(name) +
                                                     u"\" is not held by " + ctx_->ServicePath());
}

void SambaFileService::Put(std::u16string_view name, const Variant&) {
  throw AutomationError(errc::kNotSupported, u"The property \"" + std::u16string(name) + u"\" of " +
                                                 ctx_->ServicePath() +
                                                 u" cannot be written: Samba's file service " +
                                                 u"is configured in smb.conf");
}

std::unique_ptr<directory::IADsEnum> SambaFileService::NewEnum() {
  std::vector<std::shared_ptr<directory::IADs>> items;
  if (Allows(ObjectKind::kFileShare)) {
    for (auto& share : ctx_->Shares()) {
      std::string name = share.info.name;
      items.push_back(std::make_shared<SambaShare>(ctx_, std::move(name), false, std::move(share)));
    }
  }
  return directory::EnumSnapshot(std::move(items));
}

std::shared_ptr<directory::IADs> SambaFileService::Create(std::u16string_view class_word,
                                                          std::u16string_view name) {
  auto kind = directory::KindFromClassWord(class_word);
  if (!kind || *kind != ObjectKind::kFileShare) {
    SambaComputer::kServed.Refuse(ctx_->ServicePath(),
                                  u"Create of a " + std::u16string(class_word));
  }
  CheckShareName(name);
  // A registry share of the same name is refused by SetInfo's addshare, in one step with the
  // write; smb.conf's own shares are not in the registry, so they are looked for here.
  if (auto existing = ctx_->FileShare(ToUtf8(name))) {
    throw AutomationError(errc::kObjectExists, u"Create in " + ctx_->ServicePath() +
                                                   u": there is a share named \"" +
                                                   FromUtf8(existing->name) + u"\" already");
  }
  return std::make_shared<SambaShare>(ctx_, ToUtf8(name), /*created=*/true);
}

void SambaFileService::Delete(std::u16string_view class_word, std::u16string_view name) {
  auto kind = directory::KindFromClassWord(class_word);
  if (!kind || *kind != ObjectKind::kFileShare) {
    SambaComputer::kServed.Refuse(ctx_->ServicePath(),
                                  u"Delete of a " + std::u16string(class_word));
  }
  // smb.conf's own shares are looked for here; delshare itself refuses a registry share that
  // is not there, in the same step as the delete.
  if (auto own = ctx_->FileShare(ToUtf8(name))) {
    throw AutomationError(errc::kNotSupported,
                          u"The share " + ctx_->SharePath(own->name) + u" is defined in " +
                              FromUtf8(ctx_->options().smb_conf) +
                              u" itself, which the Samba backend never changes: delete it there");
  }
  if (name.empty() || EqualsNoCase(name, u"global")) {
    // delshare would take [global], the server's own settings, as readily as a share.
    throw AutomationError(errc::kInvalidName, u"Delete in " + ctx_->ServicePath() + u": \"" +
                                                  std::u16string(name) + u"\" names no share");
  }
  ctx_->net().DelShare(ToUtf8(name));
}

std::shared_ptr<directory::IADs> SambaFileService::MoveHere(std::u16string_view,
                                                            std::u16string_view) {
  SambaComputer::kServed.Refuse(ctx_->ServicePath(), u"MoveHere");
}

// A share.

ShareInfo SambaShare::Read() {
  if (read_ && ctx_->Vouches(*read_)) return read_->info;
  read_.reset();  // once stale, always stale: every later get reads the configuration
  auto share = ctx_->Share(name_);
  if (!share) {
    throw AutomationError(errc::kNoSuchObject,
                          u"The file share " + ADsPath() + u" no longer exists");
  }
  return std::move(share->info);
}

Variant SambaShare::Get(std::u16string_view name) {
  const ShareProperty* row = FindShareProperty(name);
  if (!row) {
    throw AutomationError(errc::kPropertyNotFound, u"The property \"" + std::u16string(name) +
                                                       u"\" is not held by " + ADsPath());
  }
  if (EqualsNoCase(row->property, u"HostComputer")) return Variant(ctx_->ComputerPath());
  if (created_) {
    // Not written yet: what was put, else what a new share holds.
    std::optional<std::string> put;
    for (const auto& [r, value] : staged_) {
      if (r == row) put = value;
    }
    if (EqualsNoCase(row->property, u"MaxUserCount")) {
      return Variant(put ? MaxUsersFromParam(&*put) : int32_t{-1});
    }
    if (EqualsNoCase(row->property, u"CurrentUserCount")) return Variant(int32_t{0});
    return Variant(FromUtf8(put.value_or("")));
  }
  if (EqualsNoCase(row->property, u"CurrentUserCount")) {
    return Variant(ctx_->status().Connections(name_));
  }
  const ShareInfo share = Read();
  if (EqualsNoCase(row->property, u"Path")) return Variant(FromUtf8(share.path));
  if (EqualsNoCase(row->property, u"Description")) return Variant(FromUtf8(share.comment));
  return Variant(share.max_users);
}

void SambaShare::Put(std::u16string_view name, const Variant& value) {
  const ShareProperty* row = FindShareProperty(name);
  if (!row) {
    throw AutomationError(errc::kPropertyNotFound, u"The property \"" + std::u16string(name) +
                                                       u"\" is not held by " + ADsPath());
  }
  if (!row->writable) {
    throw AutomationError(errc::kNotSupported, u"The property \"" + std::u16string(row->property) +
                                                   u"\" of " + ADsPath() + u" cannot be written");
  }
  if (!created_ && ctx_->FileShare(name_)) {
    throw AutomationError(errc::kNotSupported,
                          u"The share " + ADsPath() + u" is defined in " +
                              FromUtf8(ctx_->options().smb_conf) +
                              u" itself, which the Samba backend never changes: change it there");
  }
  std::string text;
  if (EqualsNoCase(row->property, u"MaxUserCount")) {
    text = MaxUsersParam(value.ToLong(), ADsPath());
  } else {
    const std::u16string v = value.ToString();
    if (EqualsNoCase(row->property, u"Path")) {
      CheckSharePath(v);
    } else {
      CheckComment(v);
    }
    text = ToUtf8(v);
  }
  staged_.emplace_back(row, std::move(text));
}

void SambaShare::Create(const Staged& staged) {
  std::optional<std::string> path, comment, max_users;
  for (const auto& [row, value] : staged) {
    if (EqualsNoCase(row->property, u"Path")) path = value;
    if (EqualsNoCase(row->property, u"Description")) comment = value;
    if (EqualsNoCase(row->property, u"MaxUserCount")) max_users = value;
  }
  if (!path) {
    throw AutomationError(errc::kInvalidArg,
                          u"The file share " + ADsPath() + u" cannot be created without a path");
  }
  NetConf& net = ctx_->net();
  net.AddShare(name_, *path, comment.value_or(""));
  if (max_users && *max_users != "0") {
    try {
      net.SetParm(name_, "max connections", *max_users);
    } catch (const AutomationError&) {
      // No half-made share: one without its user limit would serve more users than asked.
      try {
        net.DelShare(name_);
      } catch (const AutomationError&) {
      }
      throw;
    }
  }
  created_ = false;
}

void SambaShare::SetInfo() {
  // What was put is sent once. Whatever becomes of it, the object then reads what the server
  // holds, and the next SetInfo sends only what is put after this one: a refused value never
  // rides along with a later change.
  const Staged staged = std::exchange(staged_, {});
  read_.reset();
  if (created_) {
    Create(staged);
    return;
  }
  if (staged.empty()) return;
  // setparm makes a share that is missing; a share deleted meanwhile must stay deleted.
  if (!ctx_->net().Show(name_)) {
    throw AutomationError(errc::kNoSuchObject,
                          u"The file share " + ADsPath() + u" no longer exists");
  }
  for (const auto& [row, value] : staged) ctx_->net().SetParm(name_, row->parameter, value);
}

}  // namespace moxtrel::backends::samba

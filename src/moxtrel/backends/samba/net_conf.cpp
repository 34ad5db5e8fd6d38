#include "moxtrel/backends/samba/net_conf.h"

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::samba {
namespace {

std::string Message(const CommandResult& r) {
  if (r.timed_out) return "it did not finish in time";
  std::string text = r.err + (r.err.empty() || r.out.empty() ? "" : "\n") + r.out;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text.empty() ? "exit code " + std::to_string(r.exit_code) : text;
}

}  // namespace

NetConf::NetConf(std::string net, std::string smb_conf, std::chrono::milliseconds timeout)
    : net_(std::move(net)), smb_conf_(std::move(smb_conf)), timeout_(timeout) {}

CommandResult NetConf::Run(const std::vector<std::string>& args) {
  // -s: never /etc/samba/smb.conf unless that is the file configured. "--" ends the options,
  // so a name or value beginning with "-" stays a name or value.
  std::vector<std::string> argv = {net_, "-s", smb_conf_, "conf"};
  argv.insert(argv.end(), args.begin(), args.end());
  if (args.size() > 1) argv.insert(argv.begin() + 5, "--");
  ++runs_;
  const std::string& verb = args.front();
  if (verb != "list" && verb != "showshare") ++writes_;
  struct Ended {
    std::atomic<long>& count;
    ~Ended() { ++count; }
  } ended{ended_};
  return RunCommand(argv, timeout_);
}

void NetConf::Fail(const CommandResult& r, const std::u16string& what) const {
  throw AutomationError(errc::kFail, what + u": net conf failed: " + FromUtf8(Message(r)));
}

std::vector<ConfSection> NetConf::List() {
  const CommandResult r = Run({"list"});
  if (r.exit_code != 0) Fail(r, u"Listing the shares of " + FromUtf8(smb_conf_));
  return ParseNetOutput(r.out);
}

std::optional<ConfSection> NetConf::Show(const std::string& share) {
  const CommandResult r = Run({"showshare", share});
  if (r.exit_code != 0) {
    if ((r.out + r.err).find("NO_SUCH_SERVICE") != std::string::npos) return std::nullopt;
    Fail(r, u"Reading the share " + FromUtf8(share));
  }
  auto sections = ParseNetOutput(r.out);
  if (sections.empty()) return std::nullopt;
  return std::move(sections.front());
}

void NetConf::AddShare(const std::string& share, const std::string& path,
                       const std::string& comment) {
  const CommandResult r = Run({"addshare", share, path, "writeable=n", "guest_ok=n", comment});
  if (r.exit_code != 0 && (r.out + r.err).find("already exists") != std::string::npos) {
    throw AutomationError(errc::kObjectExists, u"Creating the share " + FromUtf8(share) +
                                                   u": there is a share of that name already");
  }
  if (r.exit_code != 0) Fail(r, u"Creating the share " + FromUtf8(share));
}

void NetConf::SetParm(const std::string& share, const std::string& key, const std::string& value) {
  const CommandResult r = Run({"setparm", share, key, value});
  if (r.exit_code != 0) Fail(r, u"Setting " + FromUtf8(key) + u" of the share " + FromUtf8(share));
}

void NetConf::DelShare(const std::string& share) {
  const CommandResult r = Run({"delshare", share});
  if (r.exit_code != 0 && (r.out + r.err).find("NO_SUCH_SERVICE") != std::string::npos) {
    throw AutomationError(errc::kNoSuchObject,
                          u"Deleting the share " + FromUtf8(share) + u": there is no such share");
  }
  if (r.exit_code != 0) Fail(r, u"Deleting the share " + FromUtf8(share));
}

}  // namespace moxtrel::backends::samba

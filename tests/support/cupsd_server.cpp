#include "support/cupsd_server.h"

#include "support/child_process.h"

#include <arpa/inet.h>
#include <cups/cups.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace moxtrel::testing {
namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kLpadmin = "/usr/sbin/lpadmin";

pid_t Spawn(const std::vector<std::string>& args, const std::string& log, bool new_session) {
  return SpawnServer(args, log, new_session);
}

struct Http {
  explicit Http(int port) {
    http =
        httpConnect2("127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
  }
  ~Http() {
    if (http) httpClose(http);
  }
  http_t* http;
};

// The queue's URI with its name percent-encoded, so that "Q%41" reaches that queue, not "QA".
std::string QueueUri(int port, const std::string& queue) {
  std::string uri = "ipp://127.0.0.1:" + std::to_string(port) + "/printers/";
  for (unsigned char c : queue) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      uri += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return uri;
}

ipp_t* NewRequest(ipp_op_t op, int port, const std::string& queue, const std::string& user) {
  ipp_t* r = ippNewRequest(op);
  const std::string uri = QueueUri(port, queue);
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, user.c_str());
  return r;
}

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + ": " + cupsLastErrorString());
}

int JobIdOf(ipp_t* response, const std::string& what) {
  ipp_attribute_t* id = response ? ippFindAttribute(response, "job-id", IPP_TAG_INTEGER) : nullptr;
  if (!id || ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    ippDelete(response);
    Fail(what);
  }
  const int value = ippGetInteger(id, 0);
  ippDelete(response);
  return value;
}

// Sends a document of `bytes` bytes with the request (Print-Job or Send-Document).
ipp_t* SendWithData(http_t* http, ipp_t* request, const std::string& dir, int bytes) {
  const std::string path = dir + "/doc-" + std::to_string(bytes);
  if (access(path.c_str(), R_OK) != 0) {
    std::ofstream(path) << std::string(static_cast<std::size_t>(std::max(bytes, 1)), 'x');
  }
  return cupsDoFileRequest(http, request, "/", path.c_str());
}

}  // namespace

CupsdServer::CupsdServer(int write_delay_s) : write_delay_s_(write_delay_s) {
  if (access(kCupsd, X_OK) != 0) {
    why_ = "cupsd is not installed (Debian package cups-daemon)";
    return;
  }
  char tmpl[] = "/tmp/moxtrel-cupsd-XXXXXX";
  if (!mkdtemp(tmpl)) {
    why_ = "no temporary folder";
    return;
  }
  dir_ = tmpl;
  chmod(dir_.c_str(), 0755);
  for (const char* sub : {"etc", "spool", "spool/tmp", "cache", "state", "log"}) {
    std::filesystem::create_directories(dir_ + "/" + sub);
  }
  port_ = FreeLoopbackPort();
  {
    std::ofstream f(dir_ + "/etc/cups-files.conf");
    f << "ServerRoot " << dir_ << "/etc\nRequestRoot " << dir_ << "/spool\nTempDir " << dir_
      << "/spool/tmp\nCacheDir " << dir_ << "/cache\nStateDir " << dir_ << "/state\n"
      << "AccessLog " << dir_ << "/log/access_log\nErrorLog " << dir_ << "/log/error_log\n"
      << "PageLog " << dir_ << "/log/page_log\nServerKeychain " << dir_ << "/etc/ssl\n"
      << "FileDevice Yes\nUser lp\nGroup lp\nSystemGroup root lpadmin\n";
  }
  WriteConf(false);
  pid_ = Spawn({kCupsd, "-f", "-c", dir_ + "/etc/cupsd.conf", "-s", dir_ + "/etc/cups-files.conf"},
               dir_ + "/log/cupsd.out", /*new_session=*/true);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      why_ = "cupsd exited at start; see " + dir_ + "/log";
      return;
    }
    Http h(port_);
    if (h.http) {
      ipp_t* r = ippNewRequest(CUPS_GET_DEFAULT);
      ipp_t* response = cupsDoRequest(h.http, r, "/");
      const bool up = response != nullptr;
      ippDelete(response);
      if (up) return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  why_ = "cupsd did not answer within 10 s";
}

void CupsdServer::WriteConf(bool demand_authentication) {
  std::ofstream f(dir_ + "/etc/cupsd.conf");
  f << "Listen 127.0.0.1:" << port_ << "\nBrowsing No\nWebInterface No\nLogLevel warn\n"
    << "PreserveJobHistory Yes\nMaxJobs 0\nMaxJobsPerPrinter 0\nMaxJobsPerUser 0\n"
    << "MaxSubscriptions 0\nMaxEvents 1000\nDefaultAuthType None\nDirtyCleanInterval "
    << write_delay_s_ << "\n"
    << "<Location />\nOrder allow,deny\nAllow 127.0.0.1\n</Location>\n"
    << "# Test only: anyone on loopback may administer this scheduler.\n"
    << "<Policy default>\nJobPrivateAccess all\nJobPrivateValues none\n"
    << "SubscriptionPrivateAccess all\nSubscriptionPrivateValues none\n<Limit "
       "CUPS-Delete-Printer>\nAuthType Basic\nRequire user @SYSTEM\n"
    << "Order deny,allow\n</Limit>\n";
  if (demand_authentication) {
    f << "<Limit CUPS-Add-Modify-Printer Pause-Printer Resume-Printer Purge-Jobs Cancel-Job "
         "Hold-Job Release-Job Set-Job-Attributes Create-Printer-Subscriptions>\n"
         "AuthType Basic\nRequire user @SYSTEM\nOrder deny,allow\n</Limit>\n";
  }
  f << "<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n";
}

CupsdServer::~CupsdServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    bool gone = false;
    for (int i = 0; i < 500 && !gone; ++i) {
      gone = waitpid(pid_, &status, WNOHANG) == pid_;
      if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!gone) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  if (!dir_.empty() && std::getenv("MOXTREL_KEEP_CUPSD") == nullptr) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
}

void CupsdServer::AddQueue(const std::string& name, bool started, const std::string& info,
                           const std::string& location) {
  std::vector<std::string> args = {kLpadmin,         "-h", Server(), "-p", name, "-v",
                                   "file:/dev/null", "-E", "-m",     "raw"};
  if (!info.empty()) args.insert(args.end(), {"-D", info});
  if (!location.empty()) args.insert(args.end(), {"-L", location});
  pid_t pid = Spawn(args, dir_ + "/log/lpadmin.out", false);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("lpadmin could not create the queue " + name);
  }
  if (!started) {
    Http h(port_);
    ipp_t* response =
        cupsDoRequest(h.http, NewRequest(IPP_OP_PAUSE_PRINTER, port_, name, "root"), "/admin/");
    const bool ok = response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    ippDelete(response);
    if (!ok) Fail("stopping the queue " + name);
  }
}

int CupsdServer::Submit(const std::string& queue, const std::string& user, const std::string& title,
                        int bytes, bool held) {
  Http h(port_);
  return SubmitOn(h.http, queue, user, title, bytes, held);
}

int CupsdServer::SubmitOn(http_t* http, const std::string& queue, const std::string& user,
                          const std::string& title, int bytes, bool held) {
  ipp_t* r = NewRequest(IPP_OP_PRINT_JOB, port_, queue, user);
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
               "application/octet-stream");
  if (held) {
    ippAddString(r, IPP_TAG_JOB, IPP_TAG_KEYWORD, "job-hold-until", nullptr, "indefinite");
  }
  return JobIdOf(SendWithData(http, r, dir_, bytes), "submitting a job to " + queue);
}

void CupsdServer::SubmitMany(const std::string& queue, const std::string& user,
                             const std::string& title, int bytes, bool held, int count) {
  Http h(port_);
  for (int i = 0; i < count; ++i) SubmitOn(h.http, queue, user, title, bytes, held);
}

int CupsdServer::SubmitIncoming(const std::string& queue, const std::string& user,
                                const std::string& title) {
  Http h(port_);
  ipp_t* r = NewRequest(IPP_OP_CREATE_JOB, port_, queue, user);
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
  return JobIdOf(cupsDoRequest(h.http, r, "/"), "creating a job on " + queue);
}

void CupsdServer::FinishIncoming(const std::string& queue, int id, int bytes) {
  Http h(port_);
  ipp_t* r = NewRequest(IPP_OP_SEND_DOCUMENT, port_, queue, "root");
  ippAddInteger(r, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", id);
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
               "application/octet-stream");
  ippAddBoolean(r, IPP_TAG_OPERATION, "last-document", 1);
  ipp_t* response = SendWithData(h.http, r, dir_, bytes);
  const bool ok = response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE;
  ippDelete(response);
  if (!ok) Fail("sending the document of job " + std::to_string(id));
}

void CupsdServer::Cancel(int id) {
  Http h(port_);
  ipp_t* r = ippNewRequest(IPP_OP_CANCEL_JOB);
  const std::string uri =
      "ipp://127.0.0.1:" + std::to_string(port_) + "/jobs/" + std::to_string(id);
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "root");
  ipp_t* response = cupsDoRequest(h.http, r, "/jobs/");
  const bool ok = response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE;
  ippDelete(response);
  if (!ok) Fail("cancelling job " + std::to_string(id));
}

}  // namespace moxtrel::testing

namespace moxtrel::testing {

std::string CupsdServer::QueueOf(int id) {
  Http h(port_);
  ipp_t* r = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  const std::string uri =
      "ipp://127.0.0.1:" + std::to_string(port_) + "/jobs/" + std::to_string(id);
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "root");
  ipp_t* response = cupsDoRequest(h.http, r, "/");
  ipp_attribute_t* a =
      response ? ippFindAttribute(response, "job-printer-uri", IPP_TAG_URI) : nullptr;
  std::string queue;
  if (a && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE) {
    char resource[1024] = "", scheme[32], user[64], host[256];
    int port = 0;
    httpSeparateURI(HTTP_URI_CODING_ALL, ippGetString(a, 0, nullptr), scheme, sizeof scheme, user,
                    sizeof user, host, sizeof host, &port, resource, sizeof resource);
    queue = std::string(resource).substr(std::string(resource).rfind('/') + 1);
  }
  ippDelete(response);
  return queue;
}

std::string CupsdServer::PrintersConf() const {
  std::ifstream f(dir_ + "/etc/printers.conf");
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<std::string> CupsdServer::SubscriptionPrinterUris() {
  Http h(port_);
  ipp_t* r = ippNewRequest(IPP_OP_GET_SUBSCRIPTIONS);
  const std::string uri = "ipp://127.0.0.1:" + std::to_string(port_) + "/";
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "root");
  ippAddBoolean(r, IPP_TAG_OPERATION, "my-subscriptions", 0);
  ipp_t* response = cupsDoRequest(h.http, r, "/");
  if (!response) Fail("listing subscriptions");
  std::vector<std::string> uris;
  bool in_group = false;
  std::string printer;
  auto flush = [&] {
    if (in_group) uris.push_back(printer);
    in_group = false;
    printer.clear();
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    if (!ippGetName(a) || ippGetGroupTag(a) != IPP_TAG_SUBSCRIPTION) {
      flush();
      continue;
    }
    in_group = true;
    if (std::string(ippGetName(a)) == "notify-printer-uri") printer = ippGetString(a, 0, nullptr);
  }
  flush();
  ippDelete(response);
  return uris;
}

void CupsdServer::DemandAuthentication(const std::string& probe_queue, bool demand) {
  WriteConf(demand);
  kill(pid_, SIGHUP);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Http h(port_);
    if (!h.http) continue;
    // Never a password prompt: the demand itself is what the probe waits for.
    cupsSetPasswordCB2([](const char*, http_t*, const char*, const char*,
                          void*) -> const char* { return nullptr; },
                       nullptr);
    ipp_t* response = cupsDoRequest(
        h.http, NewRequest(IPP_OP_PAUSE_PRINTER, port_, probe_queue, "root"), "/admin/");
    const ipp_status_t status = response ? ippGetStatusCode(response) : cupsLastError();
    const bool demanded = status == IPP_STATUS_ERROR_NOT_AUTHENTICATED ||
                          status == IPP_STATUS_ERROR_NOT_AUTHORIZED ||
                          status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED;
    const bool reloaded = demand ? demanded : status <= IPP_STATUS_OK_EVENTS_COMPLETE;
    ippDelete(response);
    if (reloaded) return;
  }
  throw std::runtime_error("cupsd did not reload its configuration within 10 s");
}

}  // namespace moxtrel::testing

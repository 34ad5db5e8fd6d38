// The CUPS backend against a server that stops answering: one that never answers a request, and
// one that sends the start of an answer and then nothing. Each request ends with a clear error
// within the connection's timeout instead of waiting forever, and the next request starts over
// on a new connection.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"

namespace moxtrel::testing {
namespace {

// A loopback listener that reads each request and then answers `prefix` (possibly nothing) and
// falls silent, holding the connection open until it is destroyed.
class SilentServer {
 public:
  explicit SilentServer(std::string prefix) : prefix_(std::move(prefix)) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 8) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      ADD_FAILURE() << "no loopback listener";
      return;
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~SilentServer() {
    stop_ = true;
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mu_);
    for (int c : clients_) close(c);
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  int Accepted() {
    std::lock_guard lock(mu_);
    return static_cast<int>(clients_.size());
  }

 private:
  void Serve() {
    while (!stop_) {
      const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) return;
      {
        std::lock_guard lock(mu_);
        clients_.push_back(c);
      }
      // The request: headers and the IPP message fit in one read here.
      char buffer[8192];
      if (recv(c, buffer, sizeof buffer, 0) > 0 && !prefix_.empty()) {
        if (send(c, prefix_.data(), prefix_.size(), MSG_NOSIGNAL) < 0) continue;
      }
    }
  }

  std::string prefix_;
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::vector<int> clients_;
};

uint32_t ErrorOf(const std::shared_ptr<directory::DirectoryProvider>& provider) {
  try {
    provider->GetObject(u"WinNT://PC1/LaserJet,PrintQueue");
  } catch (const AutomationError& e) {
    return static_cast<uint32_t>(e.code());
  }
  return 0;
}

std::shared_ptr<directory::DirectoryProvider> Provider(const SilentServer& server) {
  backends::cups::CupsOptions o;
  o.server = server.Address();
  o.computer = u"PC1";
  o.user = "alice";
  o.timeout = std::chrono::milliseconds(300);
  return backends::cups::MakeCupsProvider(o);
}

TEST(CupsSilentServer, ARequestNeverAnsweredFailsAndTheNextStartsOver) {
  SilentServer server("");
  auto provider = Provider(server);
  EXPECT_EQ(ErrorOf(provider), errc::kNetworkUnreachable);
  // The broken connection is dropped: the next request connects again, and fails the same way.
  EXPECT_EQ(ErrorOf(provider), errc::kNetworkUnreachable);
  EXPECT_EQ(server.Accepted(), 2);
}

TEST(CupsSilentServer, AnAnswerThatStopsHalfwayFails) {
  // A successful HTTP answer announcing a long IPP message, of which only the header and the
  // start of the operation attributes arrive.
  std::string body(
      "\x02\x00\x00\x00\x00\x00\x00\x01\x01\x47\x00\x12"
      "attributes-charset",
      31);
  SilentServer server(
      "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: 100000"
      "\r\n\r\n" +
      body);
  auto provider = Provider(server);
  EXPECT_EQ(ErrorOf(provider), errc::kNetworkUnreachable);
  EXPECT_EQ(ErrorOf(provider), errc::kNetworkUnreachable);
  EXPECT_EQ(server.Accepted(), 2);

  // Chunked, the way cupsd sends long answers: the first chunk arrives, the rest never does.
  char size[16];
  std::snprintf(size, sizeof size, "%zx\r\n", body.size());
  SilentServer chunked(
      "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n"
      "Transfer-Encoding: chunked\r\n\r\n" +
      std::string(size) + body + "\r\n");
  EXPECT_EQ(ErrorOf(Provider(chunked)), errc::kNetworkUnreachable);
}

}  // namespace
}  // namespace moxtrel::testing

// CupsConnection: one HTTP connection to a CUPS scheduler, shared by every handle of a provider,
// that sends IPP requests and turns a refusal into an AutomationError that says what failed.
//
//   IppPtr r = conn.Do(conn.Request(IPP_OP_PAUSE_PRINTER, "Q1"), "/admin/", u"Pause of Q1");
#pragma once

#include <cups/cups.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "moxtrel/backends/cups/ipp_exchange.h"

namespace moxtrel::backends::cups {

class CupsConnection {
 public:
  CupsConnection(std::string host, int port, std::chrono::milliseconds timeout, std::string user);
  ~CupsConnection();
  CupsConnection(const CupsConnection&) = delete;
  CupsConnection& operator=(const CupsConnection&) = delete;

  // A request for operation `op` with the charset, language and requesting-user-name filled
  // in, and the printer-uri of `queue` when one is given.
  IppPtr Request(ipp_op_t op, std::string_view queue = {}) const;
  // Sends the request; the response when its status is successful, else AutomationError naming
  // `what` and the server (kAccessDenied for an authentication demand, kNoSuchObject for
  // not-found, kNetworkUnreachable when the server cannot be reached).
  IppPtr Do(IppPtr request, const char* resource, std::u16string_view what);
  // As Do, but returns the response whatever its status (nullptr only when nothing came back).
  IppPtr Send(IppPtr request, const char* resource, std::u16string_view what);

  // Throws as Do does when the response's status is not successful.
  void Check(ipp_t* response, std::u16string_view what) const;

  // The queue's URI with its name percent-encoded, so that cupsd decodes it back to exactly
  // that name: "Q%41" must not reach the queue "QA", nor "Q1%00" the queue "Q1".
  std::string PrinterUri(std::string_view queue) const;
  std::string JobUri(int id) const;
  const std::string& server() const noexcept { return server_; }
  const std::string& user() const noexcept { return user_; }
  // Requests sent so far; tests and benchmarks count what a tick costs.
  long requests() const noexcept { return requests_; }

 private:
  http_t* Connection(std::u16string_view what);

  std::string host_;
  int port_;
  std::chrono::milliseconds timeout_;
  std::string user_;
  std::string server_;  // "host:port" for messages
  std::mutex mu_;
  http_t* http_ = nullptr;
  long requests_ = 0;
};

// Throws errc::kInvalidName unless CUPS can hold `name` as a queue name (1..127 bytes, none of
// space, control characters, "/", "\\", "?", "#", "'", "\"").
void CheckQueueName(std::u16string_view name);
// Throws errc::kInvalidName unless `answered` (the printer-name the server answered with) is the
// queue that was asked for, as CUPS compares names (without regard to case).
void CheckAnsweredFor(std::string_view asked, std::string_view answered, std::u16string_view where);
// Throws errc::kInvalidArg unless `text` can be sent as the attribute `attribute` of `where`'s
// property `property`: no control characters (cupsd writes some of these values as lines of its
// own configuration files) and at most the attribute's length in bytes.
void CheckAttributeText(std::u16string_view property, std::u16string_view where,
                        std::string_view attribute, std::u16string_view text);
// The last path segment of a URI the server sent, percent-decoded: a queue's name from its URI.
std::string QueueFromUri(std::string_view uri);
// The job id a job's name holds (decimal digits, 1..2^31-1); errc::kInvalidName otherwise.
int JobIdFromName(std::u16string_view name);

}  // namespace moxtrel::backends::cups

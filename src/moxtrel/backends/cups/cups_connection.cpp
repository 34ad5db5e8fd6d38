#include "moxtrel/backends/cups/cups_connection.h"

#include <sys/socket.h>

#include <cerrno>
#include <climits>

#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"

namespace moxtrel::backends::cups {
namespace {

// No prompt ever: an authentication demand must become an error, not a terminal question.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
  return nullptr;
}

bool AuthenticationDemand(ipp_status_t status) {
  return status == IPP_STATUS_ERROR_NOT_AUTHENTICATED ||
         status == IPP_STATUS_ERROR_NOT_AUTHORIZED ||
         status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED;
}

// An authentication demand or a refusal of this client, as an error naming what was asked; a
// status that is neither is left to the caller.
void ThrowIfDenied(ipp_status_t status, std::u16string_view what, const std::string& server,
                   const std::string& user, const std::u16string& detail) {
  if (AuthenticationDemand(status)) {
    throw AutomationError(errc::kAccessDenied,
                          std::u16string(what) + u": the CUPS server " + FromUtf8(server) +
                              u" demands authentication for this request (as user \"" +
                              FromUtf8(user) + u"\"), which this backend does not give (" + detail +
                              u")");
  }
  if (status == IPP_STATUS_ERROR_FORBIDDEN) {
    throw AutomationError(errc::kAccessDenied,
                          std::u16string(what) + u": the CUPS server " + FromUtf8(server) +
                              u" forbids this request from this client (" + detail + u")");
  }
}

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The most bytes cupsd keeps of each attribute a write sends.
std::size_t MaxBytes(std::string_view attribute) {
  if (attribute == "job-name") return 255;
  if (attribute == "device-uri") return 1023;
  return 127;  // printer-info, printer-location: text(127)
}

}  // namespace

CupsConnection::CupsConnection(std::string host, int port, std::chrono::milliseconds timeout,
                               std::string user)
    : host_(std::move(host)),
      port_(port),
      timeout_(timeout),
      user_(std::move(user)),
      server_(host_ + ":" + std::to_string(port_)) {}

CupsConnection::~CupsConnection() {
  if (http_) httpClose(http_);
}

http_t* CupsConnection::Connection(std::u16string_view what) {
  if (http_) {
    // cupsd closes idle connections (and all of them when it reloads): a connection the server
    // has closed is replaced before a request is written into it and lost.
    char byte;
    const ssize_t n = recv(httpGetFd(http_), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      httpClose(http_);
      http_ = nullptr;
    }
  }
  if (!http_) {
    http_ = httpConnect2(host_.c_str(), port_, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                         static_cast<int>(timeout_.count()), nullptr);
    if (!http_) {
      throw AutomationError(
          errc::kNetworkUnreachable,
          std::u16string(what) + u": the CUPS server " + FromUtf8(server_) + u" cannot be reached");
    }
    httpSetTimeout(http_, static_cast<double>(timeout_.count()) / 1000.0, nullptr, nullptr);
  }
  return http_;
}

IppPtr CupsConnection::Request(ipp_op_t op, std::string_view queue) const {
  IppPtr r(ippNewRequest(op));
  if (!queue.empty()) {
    ippAddString(r.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 PrinterUri(queue).c_str());
  }
  ippAddString(r.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               user_.c_str());
  return r;
}

std::string CupsConnection::PrinterUri(std::string_view queue) const {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "ipp://" + server_ + "/printers/";
  for (unsigned char c : queue) {
    if (Unreserved(c)) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

std::string CupsConnection::JobUri(int id) const {
  return "ipp://" + server_ + "/jobs/" + std::to_string(id);
}

IppPtr CupsConnection::Send(IppPtr request, const char* resource, std::u16string_view what) {
  std::lock_guard lock(mu_);
  http_t* http = Connection(what);
  // libcups keeps the callback per thread, and requests may come from any thread.
  cupsSetPasswordCB2(NoPassword, nullptr);
  ++requests_;
  IppFailure failure;
  IppPtr response = IppExchange(http, request.get(), resource, failure);
  if (!response) {
    ThrowIfDenied(failure.status, what, server_, user_, FromUtf8(failure.detail));
    // A broken connection is reopened by the next request.
    httpClose(http_);
    http_ = nullptr;
    throw AutomationError(errc::kNetworkUnreachable, std::u16string(what) + u": the CUPS server " +
                                                         FromUtf8(server_) + u" did not answer (" +
                                                         FromUtf8(failure.detail) + u")");
  }
  return response;
}

IppPtr CupsConnection::Do(IppPtr request, const char* resource, std::u16string_view what) {
  IppPtr response = Send(std::move(request), resource, what);
  Check(response.get(), what);
  return response;
}

void CupsConnection::Check(ipp_t* response, std::u16string_view what) const {
  const ipp_status_t status = ippGetStatusCode(response);
  if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) return;
  ipp_attribute_t* message = ippFindAttribute(response, "status-message", IPP_TAG_TEXT);
  const char* text = message ? ippGetString(message, 0, nullptr) : nullptr;
  const std::u16string detail =
      FromUtf8(ippErrorString(status)) + u": " + FromUtf8(text ? text : ippErrorString(status));
  ThrowIfDenied(status, what, server_, user_, detail);
  const uint32_t code = status == IPP_STATUS_ERROR_NOT_FOUND              ? errc::kNoSuchObject
                        : status == IPP_STATUS_ERROR_NOT_POSSIBLE         ? errc::kNotSupported
                        : status == IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES ? errc::kNotSupported
                        : status == IPP_STATUS_ERROR_BAD_REQUEST          ? errc::kInvalidArg
                                                                          : errc::kFail;
  throw AutomationError(code, std::u16string(what) + u": the CUPS server " + FromUtf8(server_) +
                                  u" refused (" + detail + u")");
}

void CheckQueueName(std::u16string_view name) {
  const std::string bytes = ToUtf8(name);
  bool ok = !bytes.empty() && bytes.size() <= 127;
  for (unsigned char c : bytes) {
    if (c <= ' ' || c == 127 || c == '/' || c == '\\' || c == '?' || c == '#' || c == '\'' ||
        c == '"') {
      ok = false;
    }
  }
  if (!ok) {
    throw AutomationError(errc::kInvalidName,
                          u"\"" + std::u16string(name) + u"\" is not a CUPS queue name (1 to 127 " +
                              u"bytes without spaces, control characters, " + u"/ \\ ? # ' or \")");
  }
}

void CheckAnsweredFor(std::string_view asked, std::string_view answered,
                      std::u16string_view where) {
  if (answered.empty() || !EqualsNoCase(FromUtf8(answered), FromUtf8(asked))) {
    throw AutomationError(errc::kNoSuchObject,
                          std::u16string(where) + u": the CUPS server answered for the queue \"" +
                              FromUtf8(answered) + u"\", not \"" + FromUtf8(asked) + u"\"");
  }
}

void CheckAttributeText(std::u16string_view property, std::u16string_view where,
                        std::string_view attribute, std::u16string_view text) {
  auto refuse = [&](std::u16string_view why) {
    throw AutomationError(errc::kInvalidArg, u"The property \"" + std::u16string(property) +
                                                 u"\" of " + std::u16string(where) +
                                                 u" cannot be written: " + std::u16string(why));
  };
  for (char16_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      refuse(c == u'\n' || c == u'\r' ? u"it holds a line break" : u"it holds a control character");
    }
  }
  const std::size_t max = MaxBytes(attribute);
  if (ToUtf8(text).size() > max) {
    refuse(u"it is longer than the " + FromUtf8(std::to_string(max)) + u" bytes CUPS keeps of " +
           FromUtf8(std::string(attribute)));
  }
}

std::string QueueFromUri(std::string_view uri) {
  const auto slash = uri.rfind('/');
  const std::string_view segment = slash == std::string_view::npos ? uri : uri.substr(slash + 1);
  std::string out;
  for (std::size_t i = 0; i < segment.size(); ++i) {
    const int hi = segment[i] == '%' && i + 2 < segment.size() ? HexValue(segment[i + 1]) : -1;
    const int lo = hi >= 0 ? HexValue(segment[i + 2]) : -1;
    if (lo >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += segment[i];
    }
  }
  return out;
}

int JobIdFromName(std::u16string_view name) {
  long long id = 0;
  bool ok = !name.empty() && name.size() <= 10;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9') {
      ok = false;
      break;
    }
    id = id * 10 + (c - u'0');
  }
  if (!ok || id < 1 || id > INT_MAX) {
    throw AutomationError(errc::kInvalidName, u"\"" + std::u16string(name) +
                                                  u"\" is not a CUPS job name (a job id, " +
                                                  u"decimal digits from 1 to 2147483647)");
  }
  return static_cast<int>(id);
}

}  // namespace moxtrel::backends::cups

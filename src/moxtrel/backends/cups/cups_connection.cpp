#include "moxtrel/backends/cups/cups_connection.h"

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
         status == IPP_STATUS_ERROR_NOT_AUTHORIZED || status == IPP_STATUS_ERROR_FORBIDDEN ||
         status == IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED;
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
  return "ipp://" + server_ + "/printers/" + std::string(queue);
}

IppPtr CupsConnection::Send(IppPtr request, const char* resource, std::u16string_view what) {
  std::lock_guard lock(mu_);
  http_t* http = Connection(what);
  // libcups keeps the callback per thread, and requests may come from any thread.
  cupsSetPasswordCB2(NoPassword, nullptr);
  ++requests_;
  IppPtr response(cupsDoRequest(http, request.release(), resource));
  if (!response) {
    const ipp_status_t status = cupsLastError();
    if (AuthenticationDemand(status)) {
      throw AutomationError(errc::kAccessDenied,
                            std::u16string(what) + u": the CUPS server " + FromUtf8(server_) +
                                u" demands authentication, which this backend does not give (" +
                                FromUtf8(cupsLastErrorString()) + u")");
    }
    // A broken connection is reopened by the next request.
    httpClose(http_);
    http_ = nullptr;
    throw AutomationError(errc::kNetworkUnreachable, std::u16string(what) + u": the CUPS server " +
                                                         FromUtf8(server_) + u" did not answer (" +
                                                         FromUtf8(cupsLastErrorString()) + u")");
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
  const std::u16string detail =
      FromUtf8(ippErrorString(status)) + u": " + FromUtf8(cupsLastErrorString());
  if (AuthenticationDemand(status)) {
    throw AutomationError(errc::kAccessDenied, std::u16string(what) + u": the CUPS server " +
                                                   FromUtf8(server_) +
                                                   u" demands authentication, which this " +
                                                   u"backend does not give (" + detail + u")");
  }
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

#include "moxtrel/backends/cups/ipp_exchange.h"

#include <cstring>
#include <vector>

namespace moxtrel::backends::cups {
namespace {

// The answer's body, handed to the IPP parser from blocks read off the connection.
class BodyReader {
 public:
  explicit BodyReader(http_t* http) : http_(http), block_(64 * 1024) {}

  static ssize_t Read(void* self, ipp_uchar_t* out, size_t wanted) {
    return static_cast<BodyReader*>(self)->Take(out, wanted);
  }
  bool failed() const noexcept { return failed_; }

 private:
  ssize_t Take(ipp_uchar_t* out, size_t wanted) {
    size_t done = 0;
    while (done < wanted) {
      if (at_ == end_) {
        const ssize_t got = httpRead2(http_, block_.data(), block_.size());
        if (got <= 0) {
          failed_ = got < 0;
          break;
        }
        at_ = 0;
        end_ = static_cast<size_t>(got);
      }
      const size_t n = std::min(wanted - done, end_ - at_);
      std::memcpy(out + done, block_.data() + at_, n);
      at_ += n;
      done += n;
    }
    if (done == 0 && failed_) return -1;
    return static_cast<ssize_t>(done);
  }

  http_t* http_;
  std::vector<char> block_;
  size_t at_ = 0, end_ = 0;
  bool failed_ = false;
};

// The IPP status libcups reports for an HTTP status that brought no answer.
ipp_status_t StatusOf(http_status_t status) {
  switch (status) {
    case HTTP_STATUS_UNAUTHORIZED:
      return IPP_STATUS_ERROR_NOT_AUTHENTICATED;
    case HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED:
      return IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED;
    case HTTP_STATUS_FORBIDDEN:
      return IPP_STATUS_ERROR_FORBIDDEN;
    case HTTP_STATUS_NOT_FOUND:
      return IPP_STATUS_ERROR_NOT_FOUND;
    case HTTP_STATUS_BAD_REQUEST:
      return IPP_STATUS_ERROR_BAD_REQUEST;
    case HTTP_STATUS_ERROR:
      return IPP_STATUS_ERROR_INTERNAL;
    default:
      return IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
  }
}

IppPtr Fail(http_t* http, http_status_t status, IppFailure& failure) {
  failure.status = StatusOf(status);
  if (status == HTTP_STATUS_ERROR) {
    const int error = httpError(http);
    failure.detail = error != 0 ? std::strerror(error) : "the connection failed";
  } else {
    failure.detail = httpStatus(status);
  }
  return nullptr;
}

}  // namespace

IppPtr IppExchange(http_t* http, ipp_t* request, const char* resource, IppFailure& failure) {
  const size_t length = ippLength(request);
  // An authentication or a TLS upgrade sends the request again; libcups gives up after the
  // password callback declines, which ours always does.
  for (int attempt = 0; attempt < 4; ++attempt) {
    http_status_t status = cupsSendRequest(http, request, resource, length);
    if (status != HTTP_STATUS_CONTINUE && status != HTTP_STATUS_OK)
      return Fail(http, status, failure);
    do {
      status = httpUpdate(http);
    } while (status == HTTP_STATUS_CONTINUE);
    if (status == HTTP_STATUS_OK) {
      IppPtr response(ippNew());
      BodyReader body(http);
      ipp_state_t state;
      while ((state = ippReadIO(&body, BodyReader::Read, 1, nullptr, response.get())) !=
             IPP_STATE_DATA) {
        if (state == IPP_STATE_ERROR) break;
      }
      if (state == IPP_STATE_ERROR || body.failed()) {
        // The caller drops a connection that broke or went silent mid-answer.
        failure.status = IPP_STATUS_ERROR_INTERNAL;
        const int error = httpError(http);
        failure.detail = error != 0 ? std::strerror(error) : "the answer could not be read";
        return nullptr;
      }
      // Whatever follows the IPP message (nothing, for the requests sent here) ends the answer.
      if (httpGetState(http) != HTTP_STATE_WAITING) httpFlush(http);
      return response;
    }
    if (status == HTTP_STATUS_ERROR) return Fail(http, status, failure);
    httpFlush(http);
    if (status == HTTP_STATUS_UNAUTHORIZED) {
      if (cupsDoAuthentication(http, "POST", resource) != 0) {
        return Fail(http, HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED, failure);
      }
      if (httpReconnect2(http, 30000, nullptr) != 0) return Fail(http, HTTP_STATUS_ERROR, failure);
      continue;
    }
    if (status == HTTP_STATUS_UPGRADE_REQUIRED) {
      if (httpReconnect2(http, 30000, nullptr) != 0 ||
          httpEncryption(http, HTTP_ENCRYPTION_REQUIRED) != 0) {
        return Fail(http, status, failure);
      }
      continue;
    }
    return Fail(http, status, failure);
  }
  return Fail(http, HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED, failure);
}

}  // namespace moxtrel::backends::cups

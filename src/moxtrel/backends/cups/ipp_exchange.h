// IppExchange: one IPP request and its answer on a libcups connection, as cupsDoRequest does it
// (authentication attempts, a TLS upgrade, the HTTP status as an IPP one) but reading the
// answer's body in large blocks. libcups parses an answer a few bytes at a time, and on a
// connection with a timeout each piece is a poll and a recv of its own: about a million system
// calls for a listing of 10,000 jobs. Here the connection is read 64 KiB at a time and the
// answer parsed from memory; libcups waits on the socket, within the connection's timeout, only
// when the block it was given is used up.
//
//   IppFailure failure;
//   IppPtr response = IppExchange(http, request, "/", failure);   // nullptr: see failure
#pragma once

#include <cups/cups.h>

#include <memory>
#include <string>

namespace moxtrel::backends::cups {

struct IppDelete {
  void operator()(ipp_t* ipp) const noexcept { ippDelete(ipp); }
};
using IppPtr = std::unique_ptr<ipp_t, IppDelete>;

// Why no answer came: the HTTP status as IPP names it (an authentication demand is
// IPP_STATUS_ERROR_NOT_AUTHENTICATED or ..._CUPS_AUTHENTICATION_CANCELED, a refusal of this
// client IPP_STATUS_ERROR_FORBIDDEN), and a description.
struct IppFailure {
  ipp_status_t status = IPP_STATUS_OK;
  std::string detail;
};

// Sends `request` (kept by the caller) and returns the answer whatever its IPP status; nullptr
// with `failure` filled when no IPP answer came (an HTTP error, a broken or silent connection).
IppPtr IppExchange(http_t* http, ipp_t* request, const char* resource, IppFailure& failure);

}  // namespace moxtrel::backends::cups

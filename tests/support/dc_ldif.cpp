#include "support/dc_ldif.h"

#include "support/slapd_server.h"

namespace moxtrel::testing {
namespace {

const std::string kBase = SlapdServer::kBase;

// A DN value escaped as RFC 4514 asks, for the test names used.
std::string Rdn(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (std::string(",+\"\\<>;=").find(c) != std::string::npos || (c == '#' && i == 0) ||
        (c == ' ' && (i == 0 || i + 1 == name.size()))) {
      out += '\\';
    }
    out += c;
  }
  return out;
}

std::string Base64(const std::string& raw) {
  static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < raw.size(); i += 3) {
    const unsigned n = (static_cast<unsigned char>(raw[i]) << 16) |
                       (static_cast<unsigned char>(raw[i + 1]) << 8) |
                       static_cast<unsigned char>(raw[i + 2]);
    for (int s : {18, 12, 6, 0}) out += k[(n >> s) & 63];
  }
  if (i < raw.size()) {
    unsigned n = static_cast<unsigned char>(raw[i]) << 16;
    if (i + 1 < raw.size()) n |= static_cast<unsigned char>(raw[i + 1]) << 8;
    out += k[(n >> 18) & 63];
    out += k[(n >> 12) & 63];
    out += i + 1 < raw.size() ? k[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// S-1-5-21-1-2-3-<rid> in its binary form.
std::string Sid(int rid) {
  std::string sid = {1, 5, 0, 0, 0, 0, 0, 5};
  for (unsigned v : {21u, 1u, 2u, 3u, static_cast<unsigned>(rid)}) {
    for (int i = 0; i < 4; ++i) sid += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  return sid;
}

}  // namespace

std::string DcContainers() {
  std::string out;
  for (const char* cn : {"Users", "Computers"}) {
    out +=
        "dn: cn=" + std::string(cn) + "," + kBase + "\nobjectClass: container\ncn: " + cn + "\n\n";
  }
  return out;
}

std::string DcUserDn(const std::string& name) {
  return "cn=" + Rdn(name) + ",cn=Users," + kBase;
}

std::string DcUser(const std::string& name, const std::string& extra, int rid) {
  return "dn: " + DcUserDn(name) + "\nobjectClass: user\ncn: " + name +
         "\nsAMAccountName: " + name +
         "\nuserAccountControl: 512\nobjectSid:: " + Base64(Sid(rid)) + "\n" + extra + "\n";
}

std::string DcGroup(const std::string& name, const std::vector<std::string>& members,
                    const std::string& extra, int type) {
  std::string out = "dn: cn=" + Rdn(name) + ",cn=Users," + kBase +
                    "\nobjectClass: group\ncn: " + name + "\nsAMAccountName: " + name +
                    "\ngroupType: " + std::to_string(type) + "\n";
  for (const auto& m : members) out += "member: " + m + "\n";
  return out + extra + "\n";
}

std::string DcComputer(const std::string& name, const std::string& extra) {
  return "dn: cn=" + Rdn(name) + ",cn=Computers," + kBase + "\nobjectClass: computer\ncn: " + name +
         "\nsAMAccountName: " + name + "$\nuserAccountControl: 4096\n" + extra + "\n";
}

}  // namespace moxtrel::testing

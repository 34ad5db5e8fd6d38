#include "moxtrel/backends/ldap/ldap_escape.h"

#include <cstdio>

namespace moxtrel::backends::ldap {
namespace {

void Hex(std::string& out, unsigned char c) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "\\%02x", c);
  out += buf;
}

}  // namespace

std::string FilterValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '*' || c == '(' || c == ')' || c == '\\' || c == 0) {
      Hex(out, c);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

std::string DnValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const auto c = static_cast<unsigned char>(value[i]);
    const bool edge_space = c == ' ' && (i == 0 || i + 1 == value.size());
    if (c < 0x20 || c == 0x7F) {
      Hex(out, c);
    } else if (c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' || c == ';' ||
               c == '=' || edge_space || (c == '#' && i == 0)) {
      out.push_back('\\');
      out.push_back(value[i]);
    } else {
      out.push_back(value[i]);
    }
  }
  return out;
}

}  // namespace moxtrel::backends::ldap

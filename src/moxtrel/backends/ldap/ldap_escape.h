// Escaping of values put into LDAP search filters and distinguished names, so that a name
// such as "*)(uid=*" or "a,b=c" is matched or stored as itself and never as syntax.
//
//   "(uid=" + FilterValue("*)(uid=*") + ")"   // "(uid=\2a\29\28uid=\2a)"
//   "uid=" + DnValue("a,b=c") + ",ou=People"  // "uid=a\,b\=c,ou=People"
#pragma once

#include <string>
#include <string_view>

namespace moxtrel::backends::ldap {

// A value for an equality assertion in a search filter: "*", "(", ")", "\" and NUL escaped
// as "\xx" hex pairs.
std::string FilterValue(std::string_view value);
// A value for one attribute of a relative DN: the special characters escaped with "\", a
// leading space or "#" and a trailing space too, and control bytes as hex pairs.
std::string DnValue(std::string_view value);

}  // namespace moxtrel::backends::ldap

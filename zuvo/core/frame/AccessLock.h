#pragma once

#include <string>

// The access lock. Whichever account is shown, the lock settings are the
// default account's: EnableAccess switches it on, AccessPassword holds the
// password as typed, in Base64. (AccessKey, the digest written beside them,
// is read by nothing.)
namespace AccessLock {

// Whether the default account's EnableAccess is not 0.
bool IsEnabled();

// Whether typed is the access password: the default account's
// AccessPassword decoded from Base64 equals typed byte for byte, in letter
// case too. typed is compared in UTF-8 and, so that a password stored by the
// program on other systems still opens, in its GBK form. An empty stored
// password takes only an empty typed one.
bool PasswordMatches(const std::string& typed);

} // namespace AccessLock

// Registered window messages: a name gives a message id in
// [kFirstRegisteredMessage, kLastRegisteredMessage], the same id for the same
// name (compared without regard to case, as Win32 does) for the life of the
// process. The program registers "MRUFILEMESSAGE", "QRN_MSG_HLP1" and
// "QRN_AUTO_FOCUS" at start-up; the toolkit never sees these ids.
#pragma once

#include <cstdint>

namespace kvn {

inline constexpr const char16_t* kMruFileMessageName = u"MRUFILEMESSAGE";
inline constexpr const char16_t* kHelpMessageName = u"QRN_MSG_HLP1";
inline constexpr const char16_t* kAutoFocusMessageName = u"QRN_AUTO_FOCUS";

// 0 for a null or empty name, or when all 16,384 ids are taken.
std::uint32_t RegisterWindowMessage(const char16_t* name);

}  // namespace kvn

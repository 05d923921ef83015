// Texts the operating system words itself, in UTF-8 and shaped as POSIX strerror gives them:
// one line, no line end, no closing full stop. Every error number or code that reaches the
// user goes through here; on Windows the system's own texts come in the user's language.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace kvd {

// The C library's text for an errno value.
std::string ErrnoText(int errorNumber);

// The text of a code the system gave: GetLastError() on Windows, errno elsewhere.
std::string SystemErrorText(unsigned long code);

// The text of an error code as its category means it: on Windows the system category holds
// Windows codes and the generic one errno values, which share numbers but not meanings.
std::string ErrorCodeText(const std::error_code& code);

// The system's own description of "already exists", shown when a second copy of the program
// starts while the first holds the single-instance lock.
std::string AlreadyExistsText();

// A text as the system words it (UTF-16, Windows' texts end in a full stop and a line end)
// in the shape above.
std::string TidySystemText(std::u16string_view text);

}  // namespace kvd

// main's argv is in the ANSI code page, which loses every name it cannot spell: the
// arguments are taken from the UTF-16 command line instead.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "cli/program_arguments.h"
#include "common/utf8.h"

namespace kvd::cli {

std::vector<std::string> ProgramArguments(int, char**) {
    ::SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) {
        const std::wstring_view argument(wide[i]);
        arguments.push_back(Utf16ToUtf8(std::u16string(argument.begin(), argument.end())));
    }
    ::LocalFree(wide);
    return arguments;
}

}  // namespace kvd::cli

// The main of every test executable. Under Wine a crash would otherwise start the debugger or
// end with a random exit code, so on Windows an unhandled exception ends the process with 3.
#include <gtest/gtest.h>

#include <cstdio>

#ifdef _WIN32
#include "platform/windows_api.h"

static LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception) {
    std::fprintf(stderr, "unhandled exception 0x%08lx\n",
                 static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    SetUnhandledExceptionFilter(reportCrash);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "win32/support/EngineWatchdog.h"

#include <gtest/gtest.h>

#include <cstdio>

EngineWatchdog::EngineWatchdog(std::string what, DWORD milliseconds)
    : What(std::move(what)), Milliseconds(milliseconds), Ended(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
        What = std::string(test->test_suite_name()) + "." + test->name() + ": " + What;
    }
    Thread.reset(CreateThread(nullptr, 0, Watch, this, 0, nullptr));
}

EngineWatchdog::~EngineWatchdog()
{
    SetEvent(Ended.get());
    WaitForSingleObject(Thread.get(), INFINITE);
}

DWORD WINAPI EngineWatchdog::Watch(void* self)
{
    const auto* watchdog = static_cast<const EngineWatchdog*>(self);
    if (WaitForSingleObject(watchdog->Ended.get(), watchdog->Milliseconds) != WAIT_TIMEOUT) return 0;
    std::fprintf(stderr, "\n[  FAILED  ] %s has not ended within %lu s\n", watchdog->What.c_str(),
                 watchdog->Milliseconds / 1000);
    std::fflush(stderr);
    std::fflush(stdout);
    // Not ExitProcess: the hung thread may hold a lock that leaving would need.
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

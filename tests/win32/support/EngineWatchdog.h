#pragma once
// Ends the test program with a failure when what it guards has not ended in time:
// a job that hangs shows at once as the failure of the test in hand, not as the
// time-out of the whole program (which a test run may take for a slow machine and
// start again).
#include "toolkit/ScopedHandle.h"

#include <string>

class EngineWatchdog {
public:
    EngineWatchdog(std::string what, DWORD milliseconds);
    ~EngineWatchdog();
    EngineWatchdog(const EngineWatchdog&) = delete;
    EngineWatchdog& operator=(const EngineWatchdog&) = delete;

private:
    static DWORD WINAPI Watch(void* self);

    std::string What;
    DWORD Milliseconds;
    ScopedHandle Ended;
    ScopedHandle Thread;
};

#include "archiver/common/win32/ProgressCallback.h"

namespace {

thread_local TProgressCallback Registered;

} // namespace

void SetThreadProgressCallback(ARCHIVER_PROGRESS_CALLBACK function, LPVOID context)
{
    Registered = function ? TProgressCallback{function, context} : TProgressCallback{};
}

TProgressCallback ThreadProgressCallback() { return Registered; }

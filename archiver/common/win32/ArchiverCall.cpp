#include "archiver/common/win32/ArchiverCall.h"

#include "archiver/common/ArchiverError.h"

#include <atomic>
#include <new>

namespace {

// Per library: archiver_common is linked statically into each DLL.
std::atomic<int> RunningCalls{0};

} // namespace

int RunArchiverCall(LPSTR output, DWORD outputSize, const std::function<std::string()>& body)
{
    int expected = 0;
    if (!RunningCalls.compare_exchange_strong(expected, 1)) {
        CopyToOutputBuffer(output, outputSize, "他の書庫処理が実行中のため使用できません");
        return ArchiverBusy;
    }
    int result = ArchiverOk;
    try {
        const std::string text = body();
        CopyToOutputBuffer(output, outputSize, text);
    } catch (const TArchiverError& error) {
        CopyToOutputBuffer(output, outputSize, error.what());
        result = error.Code;
    } catch (const std::bad_alloc&) {
        CopyToOutputBuffer(output, outputSize, "メモリが不足しています");
        result = ArchiverInternalError;
    } catch (const std::exception& error) {
        CopyToOutputBuffer(output, outputSize, std::string("予期しないエラーです: ") + error.what());
        result = ArchiverInternalError;
    } catch (...) {
        CopyToOutputBuffer(output, outputSize, "予期しないエラーです");
        result = ArchiverInternalError;
    }
    RunningCalls = 0;
    return result;
}

BOOL ArchiverIsRunning() { return RunningCalls.load() != 0 ? TRUE : FALSE; }

#include "toolkit/ErrorReport.h"

#include "base/WideText.h"

#include <new>
#include <utility>

namespace {

TErrorSink& Sink()
{
    static TErrorSink sink;
    return sink;
}

} // namespace

void ReportException() noexcept { ReportException(std::current_exception()); }

void ReportException(const std::exception_ptr& error) noexcept
{
    try {
        const std::string message = ExceptionMessage(error);
        // A copy: the sink may replace itself while it reports.
        const TErrorSink sink = Sink();
        if (sink) {
            sink(message);
        } else {
            ShowErrorBox(nullptr, message, "");
        }
    } catch (...) {
        // Nothing more can be reported.
    }
}

std::string ExceptionMessage(const std::exception_ptr& error)
{
    if (!error) return {};
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "メモリが不足しています";
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return {};
    }
}

TErrorSink SetErrorSink(TErrorSink sink) { return std::exchange(Sink(), std::move(sink)); }

void ShowErrorBox(HWND owner, const std::string& message, const std::string& title) noexcept
{
    MessageBoxW(owner, WideText(message).c_str(), WideText(title).c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

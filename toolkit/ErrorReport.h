#pragma once
// The one path by which an exception caught at a window or dialog procedure,
// the idle pass or the program's top reaches the user: the standard error box
// (a stop icon, task-modal), or whatever the application routes it to.
// Depends on nothing else of the toolkit, so every window class can use it.
#include <windows.h>

#include <exception>
#include <functional>
#include <string>

// Shows the exception being handled; call inside a catch block.
void ReportException() noexcept;
void ReportException(const std::exception_ptr& error) noexcept;

// The message an error box shows: what() of a standard exception, a fixed text
// when out of memory, else empty.
std::string ExceptionMessage(const std::exception_ptr& error);

// Where reports go while set; the application installs its own. Without one,
// the box has no owner and no title. Returns the one it replaces.
using TErrorSink = std::function<void(const std::string& message)>;
TErrorSink SetErrorSink(TErrorSink sink);

// The standard error box itself.
void ShowErrorBox(HWND owner, const std::string& message, const std::string& title) noexcept;

#pragma once
// OLE on the calling thread for the life of the object: OleInitialize when it
// is made, and the matching OleUninitialize when it goes, if the first succeeded
// (an initialisation already in place counts, and is balanced in turn).
#include <windows.h>
#include <ole2.h>

class TOleInitialization {
public:
    TOleInitialization() noexcept : Ready(SUCCEEDED(OleInitialize(nullptr))) {}
    ~TOleInitialization()
    {
        if (Ready) OleUninitialize();
    }
    TOleInitialization(const TOleInitialization&) = delete;
    TOleInitialization& operator=(const TOleInitialization&) = delete;

    bool Initialized() const noexcept { return Ready; }

private:
    const bool Ready;
};

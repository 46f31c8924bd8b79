// A worker thread started with CreateThread. Its owner lives on the
// user-interface thread, and the worker talks to windows only through
// SendMessage; so the owner's destructor waits for the worker while it keeps
// handling sent messages, or a worker blocked in SendMessage would wait for
// a thread that waits for it.
#pragma once

#include <windows.h>

#include "common/win/handles_win.h"

class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread() { join(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts `routine` with `parameter`; false when no thread could be made.
    bool start(LPTHREAD_START_ROUTINE routine, void* parameter) {
        join();
        handle_.reset(CreateThread(nullptr, 0, routine, parameter, 0, nullptr));
        return static_cast<bool>(handle_);
    }
    bool running() const {
        return handle_ && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
    }
    // Waits for the worker to end, handling the messages it sends meanwhile.
    void join() {
        if (!handle_) {
            return;
        }
        const HANDLE thread = handle_.get();
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
               WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        }
        handle_.reset();
    }

private:
    KernelHandle handle_;
};

#include "app/win32/WorkerThread.h"

#include <process.h>

using namespace kestrova;

KVResult WorkerThread::Start(Procedure procedure, void* argument) {
  if (thread_) return KV_E_IN_USE;
  SetState(WorkerState::Starting, KV_OK);
  const uintptr_t handle =
      ::_beginthreadex(nullptr, stackSize_, procedure, argument, CREATE_SUSPENDED, &threadId_);
  if (handle == 0) {
    const KVResult error = KVLastError();
    threadId_ = 0;
    SetState(WorkerState::Joined, KV_OK);
    return error;
  }
  thread_.reset(reinterpret_cast<HANDLE>(handle));
  ::ResumeThread(thread_.get());
  return KV_OK;
}

void WorkerThread::SetState(WorkerState state, KVResult result) {
  auto lock = stateLock_.Acquire();
  state_ = state;
  result_ = result;
}

bool WorkerThread::IsRunning() const {
  return thread_ && ::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT;
}

KVResult WorkerThread::Result() const {
  auto lock = stateLock_.Acquire();
  return result_;
}

WorkerState WorkerThread::State() const {
  auto lock = stateLock_.Acquire();
  return state_;
}

void WorkerThread::Join() {
  if (thread_) {
    while (::WaitForSingleObject(thread_.get(), 1000) == WAIT_TIMEOUT) {
    }
    thread_.reset();
    threadId_ = 0;
  }
  auto lock = stateLock_.Acquire();
  state_ = WorkerState::Joined;
}

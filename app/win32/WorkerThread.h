// The worker thread record: its handle, state and result, guarded by the App's state lock.
#pragma once
#include <windows.h>

#include "support/ErrorCodes.h"
#include "support/win32/UniqueResource.h"

enum class WorkerState { Idle = 0, Starting = 1, Running = 2, Finished = 3, Joined = 4 };

class WorkerThread {
 public:
  using Procedure = unsigned(__stdcall*)(void* argument);

  explicit WorkerThread(kestrova::KVCriticalSection& stateLock) : stateLock_(stateLock) {}
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Creates the thread suspended and resumes it. KV_E_IN_USE when a thread is already held.
  kestrova::KVResult Start(Procedure procedure, void* argument);
  // Worker side: state and result together, under the state lock.
  void SetState(WorkerState state, kestrova::KVResult result);
  // Main side: whether the thread still runs, and the result it has set so far.
  bool IsRunning() const;
  kestrova::KVResult Result() const;
  WorkerState State() const;
  // Waits for the thread in slices of 1000 ms, then releases it; the state becomes Joined.
  void Join();

 private:
  kestrova::KVCriticalSection& stateLock_;
  kestrova::KVUniqueHandle thread_;
  unsigned threadId_ = 0;
  unsigned stackSize_ = 0;
  WorkerState state_ = WorkerState::Idle;
  kestrova::KVResult result_ = kestrova::KV_OK;
};

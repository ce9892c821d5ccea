// The worker thread record: its handle and the result it sets.
#pragma once
#include <windows.h>

#include "support/ErrorCodes.h"
#include "support/win32/CriticalSection.h"
#include "support/win32/UniqueResource.h"

class WorkerThread {
 public:
  using Procedure = unsigned(__stdcall*)(void* argument);

  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Clears the result and starts the thread. KV_E_IN_USE when a thread is already held.
  kestrova::KVResult Start(Procedure procedure, void* argument);
  // Worker side: the run's result.
  void SetResult(kestrova::KVResult result);
  // Main side: the result it has set so far.
  kestrova::KVResult Result() const;
  // Signalled when the thread has ended; null before the start and after the join.
  HANDLE Handle() const { return thread_.get(); }
  // Waits for the thread in slices of 1000 ms, then releases it.
  void Join();

 private:
  mutable kestrova::KVCriticalSection lock_;
  kestrova::KVUniqueHandle thread_;
  kestrova::KVResult result_ = kestrova::KV_OK;
};

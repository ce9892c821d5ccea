#include "app/win32/WorkerThread.h"

#include <process.h>

#include "support/win32/Win32Failure.h"

using namespace kestrova;

KVResult WorkerThread::Start(Procedure procedure, void* argument) {
  if (thread_) return KV_FAIL(KV_E_IN_USE, "starting the worker: it already runs");
  SetResult(KV_OK);
  const uintptr_t handle = ::_beginthreadex(nullptr, 0, procedure, argument, 0, nullptr);
  KV_RETURN_LAST_ERROR_IF(handle == 0, "creating the worker thread");
  thread_.reset(reinterpret_cast<HANDLE>(handle));
  return KV_OK;
}

void WorkerThread::SetResult(KVResult result) {
  auto lock = lock_.Acquire();
  result_ = result;
}

KVResult WorkerThread::Result() const {
  auto lock = lock_.Acquire();
  return result_;
}

void WorkerThread::Join() {
  if (!thread_) return;
  while (::WaitForSingleObject(thread_.get(), 1000) == WAIT_TIMEOUT) {
  }
  thread_.reset();
}

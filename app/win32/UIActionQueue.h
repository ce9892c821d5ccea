// Work that the worker hands to the main thread (message boxes), and the queue that carries it.
#pragma once
#include <windows.h>

#include "support/ErrorCodes.h"
#include "support/win32/CriticalSection.h"
#include "support/win32/UniqueResource.h"

class UIActionQueue;

// An item of the queue. The queue links items but never owns or deletes them.
class UIAction {
 public:
  // Runs on the main thread; a non-zero result ends the message loop with that code.
  virtual kestrova::KVResult Execute(HWND owner) = 0;

 protected:
  UIAction() = default;
  virtual ~UIAction() = default;
  UIAction(const UIAction&) = delete;
  UIAction& operator=(const UIAction&) = delete;

 private:
  friend class UIActionQueue;
  UIAction* next_ = nullptr;
  UIAction* previous_ = nullptr;
  UIActionQueue* queue_ = nullptr;
};

// Intrusive first-in-first-out list, safe to push from any thread and pop on the main thread, which waits on its
// event: a push signals it.
class UIActionQueue {
 public:
  UIActionQueue() = default;
  UIActionQueue(const UIActionQueue&) = delete;
  UIActionQueue& operator=(const UIActionQueue&) = delete;

  // Creates the event (manual reset, not signalled).
  kestrova::KVResult Open();
  HANDLE Ready() const { return ready_.get(); }
  // The main thread was woken: resets the event before it pops, so that a later push wakes it again.
  void Woken() { ::ResetEvent(ready_.get()); }

  void Push(UIAction& action);
  // The head item, unlinked; null when the queue is empty.
  UIAction* Pop();

 private:
  void UnlinkLocked(UIAction& action);

  UIAction* head_ = nullptr;
  UIAction* tail_ = nullptr;
  kestrova::KVCriticalSection lock_;
  kestrova::KVUniqueHandle ready_;
};

// A UI action that a task waits for: the main thread runs Show, then releases the waiting task.
class WaitableUIAction : public UIAction {
 public:
  kestrova::KVResult Execute(HWND owner) final;

  // Queues the action and waits until the main thread has run it. Returns false, without waiting, when the
  // action cannot be waited for: it did nothing.
  bool RunOnMainThread(UIActionQueue& queue);

 protected:
  WaitableUIAction() = default;
  ~WaitableUIAction() override = default;
  virtual kestrova::KVResult Show(HWND owner) = 0;

 private:
  kestrova::KVUniqueHandle done_;
};

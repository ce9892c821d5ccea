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

// Intrusive first-in-first-out list, safe to push from any thread and pop on the main thread.
class UIActionQueue {
 public:
  UIActionQueue() = default;
  UIActionQueue(const UIActionQueue&) = delete;
  UIActionQueue& operator=(const UIActionQueue&) = delete;

  void Push(UIAction& action);
  // The head item, unlinked; null when the queue is empty.
  UIAction* Pop();
  // Unlinks the item if it is still queued; false when it was already popped (or never pushed).
  bool Remove(UIAction& action);

 private:
  void UnlinkLocked(UIAction& action);

  UIAction* head_ = nullptr;
  UIAction* tail_ = nullptr;
  kestrova::KVCriticalSection lock_;
};

// A UI action that a task waits for: the main thread runs Show, then releases the waiting task.
class WaitableUIAction : public UIAction {
 public:
  kestrova::KVResult Execute(HWND owner) final;

  // Queues the action, wakes the main thread through the message window and waits until it has run.
  // Returns false, without waiting, when the main thread could not be reached: the action did nothing.
  bool RunOnMainThread(UIActionQueue& queue, HWND messageWindow);

 protected:
  WaitableUIAction() = default;
  ~WaitableUIAction() override = default;
  virtual kestrova::KVResult Show(HWND owner) = 0;

 private:
  kestrova::KVUniqueHandle done_;
};

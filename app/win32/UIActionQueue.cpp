#include "app/win32/UIActionQueue.h"

#include "app/win32/WindowMessages.h"

using namespace kestrova;

void UIActionQueue::Push(UIAction& action) {
  auto lock = lock_.Acquire();
  action.next_ = nullptr;
  action.previous_ = tail_;
  action.queue_ = this;
  if (tail_ != nullptr) tail_->next_ = &action;
  else head_ = &action;
  tail_ = &action;
}

UIAction* UIActionQueue::Pop() {
  auto lock = lock_.Acquire();
  UIAction* item = head_;
  if (item != nullptr) UnlinkLocked(*item);
  return item;
}

bool UIActionQueue::Remove(UIAction& action) {
  auto lock = lock_.Acquire();
  if (action.queue_ != this) return false;
  UnlinkLocked(action);
  return true;
}

void UIActionQueue::UnlinkLocked(UIAction& action) {
  if (action.previous_ != nullptr) action.previous_->next_ = action.next_;
  else head_ = action.next_;
  if (action.next_ != nullptr) action.next_->previous_ = action.previous_;
  else tail_ = action.previous_;
  action.next_ = nullptr;
  action.previous_ = nullptr;
  action.queue_ = nullptr;
}

KVResult WaitableUIAction::Execute(HWND owner) {
  const KVResult result = Show(owner);
  if (done_) ::SetEvent(done_.get());
  return result;
}

bool WaitableUIAction::RunOnMainThread(UIActionQueue& queue, HWND messageWindow) {
  done_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done_) return false;
  queue.Push(*this);
  if (!::PostMessageW(messageWindow, kWmRunUIActions, 0, 0)) {
    // Unreachable main thread: take the action back unless the main thread already popped it.
    if (queue.Remove(*this)) return false;
  }
  ::WaitForSingleObject(done_.get(), INFINITE);
  return true;
}

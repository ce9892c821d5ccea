#include "app/win32/UIActionQueue.h"

#include "support/win32/Win32Failure.h"

using namespace kestrova;

KVResult UIActionQueue::Open() {
  ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  KV_RETURN_LAST_ERROR_IF(!ready_, "creating the UI action queue's event");
  return KV_OK;
}

void UIActionQueue::Push(UIAction& action) {
  auto lock = lock_.Acquire();
  action.next_ = nullptr;
  action.previous_ = tail_;
  action.queue_ = this;
  if (tail_ != nullptr) tail_->next_ = &action;
  else head_ = &action;
  tail_ = &action;
  ::SetEvent(ready_.get());
}

UIAction* UIActionQueue::Pop() {
  auto lock = lock_.Acquire();
  UIAction* item = head_;
  if (item != nullptr) UnlinkLocked(*item);
  return item;
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

bool WaitableUIAction::RunOnMainThread(UIActionQueue& queue) {
  done_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done_) return false;
  queue.Push(*this);
  ::WaitForSingleObject(done_.get(), INFINITE);
  return true;
}

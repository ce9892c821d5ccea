// The owner template behind every RAII owner: a value released on every path, moved but never copied.
#pragma once
#include <utility>

namespace kestrova {

// One owner template for every kind: `Traits` names the type, its empty value and how it is released.
template <class Traits>
class KVUniqueResource {
 public:
  using T = typename Traits::Type;

  KVUniqueResource() noexcept = default;
  explicit KVUniqueResource(T value) noexcept : value_(value) {}
  KVUniqueResource(KVUniqueResource&& other) noexcept : value_(other.release()) {}
  KVUniqueResource& operator=(KVUniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  KVUniqueResource(const KVUniqueResource&) = delete;
  KVUniqueResource& operator=(const KVUniqueResource&) = delete;
  ~KVUniqueResource() { reset(); }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
  T release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  void reset(T value = Traits::Invalid()) noexcept {
    const T old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // For out-parameters of creating calls; releases what is held first.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::Invalid();
};

}  // namespace kestrova

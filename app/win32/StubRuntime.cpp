// Replacements, for the stub only, of run-time library pieces that would pull far more code than they are worth.
#include <cstdlib>
#include <exception>
#include <new>

// The stub never shows a console: replace the run-time library's verbose terminate handler, whose name
// demangler alone adds about 45 KB to the image. An unhandled C++ exception still ends in abort.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

// What the library's own exceptions would say. The stub catches exceptions only with catch (...), so one type
// serves for all; std::logic_error and its kin would bring the library's copy-on-write strings (about 50 KB).
class LibraryError final : public std::exception {
 public:
  explicit LibraryError(const char* reason) noexcept : reason_(reason) {}
  const char* what() const noexcept override { return reason_; }

 private:
  const char* reason_;
};

}  // namespace

// Every function of the library's object that throws its exceptions is defined here, so that object never links.
namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void __throw_bad_exception() { throw LibraryError("bad exception"); }
void __throw_bad_cast() { throw LibraryError("bad cast"); }
void __throw_bad_typeid() { throw LibraryError("bad typeid"); }
void __throw_logic_error(const char* reason) { throw LibraryError(reason); }
void __throw_domain_error(const char* reason) { throw LibraryError(reason); }
void __throw_invalid_argument(const char* reason) { throw LibraryError(reason); }
void __throw_length_error(const char* reason) { throw LibraryError(reason); }
void __throw_out_of_range(const char* reason) { throw LibraryError(reason); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }
void __throw_runtime_error(const char* reason) { throw LibraryError(reason); }
void __throw_range_error(const char* reason) { throw LibraryError(reason); }
void __throw_overflow_error(const char* reason) { throw LibraryError(reason); }
void __throw_underflow_error(const char* reason) { throw LibraryError(reason); }
}  // namespace std

// A shared library opened when a feature first needs it, and its functions found by name: a
// player who never uses the feature never maps the library (nor what it pulls in).
#pragma once

#include <dlfcn.h>

namespace truco {

class SharedLibrary {
 public:
  explicit SharedLibrary(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}
  ~SharedLibrary() {
    if (handle_ && close_) ::dlclose(handle_);
  }
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Leaves the library mapped when this object goes, for functions used until the program ends.
  void KeepOpen() { close_ = false; }

  // Sets `function` to the library's function `name`, or to null when there is none.
  template <typename Function>
  void Find(Function*& function, const char* name) {
    function = handle_ ? reinterpret_cast<Function*>(::dlsym(handle_, name)) : nullptr;
    complete_ = complete_ && function != nullptr;
  }

  // Whether the library opened and every function asked for was found.
  [[nodiscard]] bool complete() const { return handle_ != nullptr && complete_; }

 private:
  void* handle_;
  bool close_ = true;
  bool complete_ = true;
};

}  // namespace truco

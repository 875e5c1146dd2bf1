// A library opened on first use: its functions are found by name, one missing function or a
// missing library leaves it incomplete, and it is closed when it goes unless kept open.

#include <gtest/gtest.h>

#include <cstring>

#include "store/shared_library.h"

namespace truco {
namespace {

// Opened by nothing else in this program, so whether it is mapped is this object's doing.
constexpr char kSpareLibrary[] = "libjpeg.so.62";

bool Mapped(const char* soname) {
  void* handle = ::dlopen(soname, RTLD_NOW | RTLD_NOLOAD);
  if (handle) ::dlclose(handle);
  return handle != nullptr;
}

TEST(SharedLibrary, FindsItsFunctionsAndSaysWhenOneIsMissing) {
  SharedLibrary libc("libc.so.6");
  decltype(&std::strlen) length = nullptr;
  libc.Find(length, "strlen");
  ASSERT_NE(length, nullptr);
  EXPECT_EQ(length("truco"), 5u);
  EXPECT_TRUE(libc.complete());
  decltype(&std::strlen) missing = length;
  libc.Find(missing, "no_such_function_here");
  EXPECT_EQ(missing, nullptr);
  EXPECT_FALSE(libc.complete());

  SharedLibrary absent("libno-such-library.so.9");
  length = &std::strlen;
  absent.Find(length, "strlen");
  EXPECT_EQ(length, nullptr);
  EXPECT_FALSE(absent.complete());
}

TEST(SharedLibrary, ClosedWhenItGoesUnlessKeptOpen) {
  ASSERT_FALSE(Mapped(kSpareLibrary));
  { SharedLibrary spare(kSpareLibrary); }
  EXPECT_FALSE(Mapped(kSpareLibrary));
  {
    SharedLibrary spare(kSpareLibrary);
    spare.KeepOpen();
  }
  EXPECT_TRUE(Mapped(kSpareLibrary));
}

}  // namespace
}  // namespace truco

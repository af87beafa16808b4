// RuntimeLibrary: a shared library opened when it is first needed rather
// than when the program starts. Printing (libcups) and OLE compound files
// (libgsf) are needed by few sessions, yet linked at load time they and
// what they pull in (gnutls, krb5, avahi, dbus, GLib, libxml2, ICU: 38 of the
// 74 libraries kvn-dump loaded) took 8 ms of the 14 ms that kvn-dump needed
// to start and stop doing nothing.
//
// The library is opened once and stays loaded until the process ends: libcups
// keeps per-thread state with destructors and libgsf registers GObject types,
// neither of which survives being unloaded.
#pragma once

namespace kvn {

class RuntimeLibrary {
 public:
  // Opens the library by its soname ("libcups.so.2"); when it cannot be
  // opened, Usable() is false and every Resolve gives null.
  explicit RuntimeLibrary(const char* soname);
  RuntimeLibrary(const RuntimeLibrary&) = delete;
  RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

  // The function `name` of the library, or of a library it depends on
  // (GObject's functions through libgsf). A missing one leaves `function`
  // null and makes the library unusable: callers then need no null checks
  // of their own.
  template <class F>
  void Resolve(F*& function, const char* name) {
    function = reinterpret_cast<F*>(Symbol(name));
    if (!function) missing_ = true;
  }

  // Opened with every function resolved, and not hidden by the test seam.
  bool Usable() const;

 private:
  void* Symbol(const char* name) const;
  void* handle_ = nullptr;  // never closed (see above)
  bool missing_ = false;
};

// A table of a library's functions (a struct of function pointers), filled
// by `resolve` when it is made: as a function-local static, the library is
// opened on the first call, once, safe from any thread.
template <class Functions>
class RuntimeFunctions {
 public:
  RuntimeFunctions(const char* soname, void (*resolve)(RuntimeLibrary&, Functions&)) : library_(soname) {
    resolve(library_, functions_);
  }
  // Null unless the library is usable.
  const Functions* Get() const { return library_.Usable() ? &functions_ : nullptr; }

 private:
  RuntimeLibrary library_;
  Functions functions_;
};

// Test seam: while one lives, every RuntimeLibrary answers as if its library
// could not be loaded (the path of a machine without it). Nests.
class ScopedRuntimeLibrariesMissing {
 public:
  ScopedRuntimeLibrariesMissing();
  ~ScopedRuntimeLibrariesMissing();
  ScopedRuntimeLibrariesMissing(const ScopedRuntimeLibrariesMissing&) = delete;
  ScopedRuntimeLibrariesMissing& operator=(const ScopedRuntimeLibrariesMissing&) = delete;
};

}  // namespace kvn

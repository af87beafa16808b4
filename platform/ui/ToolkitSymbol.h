// A function of the toolkit's own libraries (GTK, GDK, GLib, Pango, cairo,
// Xlib), looked up in the running process, which the toolkit has loaded
// them into: the program reaches what the toolkit's classes do not offer
// without GTK's development files. Null when the process has no such
// function (another toolkit, another display).
#pragma once

#include <dlfcn.h>

namespace kvn {

template <class F>
F ToolkitSymbol(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

}  // namespace kvn

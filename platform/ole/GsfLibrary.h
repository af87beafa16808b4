// The functions of libgsf (and of the GLib and GObject it brings) that
// OleStorage calls, opened on the first compound file (see
// platform/RuntimeLibrary.h). The headers give their types only; nothing
// links libgsf at build time, and GObject's type-check macros are not used,
// since they would call GObject directly.
#pragma once

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

namespace kvn {

struct GsfLibrary {
  decltype(&::gsf_init) init = nullptr;
  decltype(&::gsf_input_memory_new) inputMemoryNew = nullptr;
  decltype(&::gsf_input_stdio_new) inputStdioNew = nullptr;
  decltype(&::gsf_input_size) inputSize = nullptr;
  decltype(&::gsf_input_read) inputRead = nullptr;
  decltype(&::gsf_infile_msole_new) infileMsoleNew = nullptr;
  decltype(&::gsf_infile_get_type) infileType = nullptr;
  decltype(&::gsf_infile_num_children) infileNumChildren = nullptr;
  decltype(&::gsf_infile_name_by_index) infileNameByIndex = nullptr;
  decltype(&::gsf_infile_child_by_index) infileChildByIndex = nullptr;
  decltype(&::gsf_infile_child_by_name) infileChildByName = nullptr;
  // GObject and GLib.
  decltype(&::g_object_unref) objectUnref = nullptr;
  decltype(&::g_type_check_instance_is_a) typeCheckInstanceIsA = nullptr;
  decltype(&::g_error_free) errorFree = nullptr;
  decltype(&::g_log_set_handler) logSetHandler = nullptr;
  decltype(&::g_log_remove_handler) logRemoveHandler = nullptr;
};

// libgsf with every function above, or null when it cannot be loaded (or a
// test hides it): no compound file can then be opened. Loaded once, safe
// from any thread.
const GsfLibrary* Gsf();

}  // namespace kvn

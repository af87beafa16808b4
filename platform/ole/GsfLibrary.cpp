#include "platform/ole/GsfLibrary.h"

#include "platform/RuntimeLibrary.h"

namespace kvn {

namespace {

void ResolveGsf(RuntimeLibrary& library, GsfLibrary& f) {
  library.Resolve(f.init, "gsf_init");
  library.Resolve(f.inputMemoryNew, "gsf_input_memory_new");
  library.Resolve(f.inputStdioNew, "gsf_input_stdio_new");
  library.Resolve(f.inputSize, "gsf_input_size");
  library.Resolve(f.inputRead, "gsf_input_read");
  library.Resolve(f.infileMsoleNew, "gsf_infile_msole_new");
  library.Resolve(f.infileType, "gsf_infile_get_type");
  library.Resolve(f.infileNumChildren, "gsf_infile_num_children");
  library.Resolve(f.infileNameByIndex, "gsf_infile_name_by_index");
  library.Resolve(f.infileChildByIndex, "gsf_infile_child_by_index");
  library.Resolve(f.infileChildByName, "gsf_infile_child_by_name");
  // Found among libgsf's own dependencies.
  library.Resolve(f.objectUnref, "g_object_unref");
  library.Resolve(f.typeCheckInstanceIsA, "g_type_check_instance_is_a");
  library.Resolve(f.errorFree, "g_error_free");
  library.Resolve(f.logSetHandler, "g_log_set_handler");
  library.Resolve(f.logRemoveHandler, "g_log_remove_handler");
}

}  // namespace

const GsfLibrary* Gsf() {
  static const RuntimeFunctions<GsfLibrary> gsf("libgsf-1.so.114", ResolveGsf);
  return gsf.Get();
}

}  // namespace kvn

#include "platform/gsf/GsfLib.h"

#include <dlfcn.h>

namespace dulo::gsf {

namespace {

template <class F>
bool Resolve(void* handle, const char* name, F& slot) {
    slot = reinterpret_cast<F>(dlsym(handle, name));
    return slot != nullptr;
}

const Api* Load() {
    // The name of the library's ABI version, from the build (DULO_GSF_SONAME).
    void* handle = dlopen(DULO_GSF_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    static Api api;
    decltype(&::gsf_init) init = nullptr;
    // dlsym on the handle also finds GLib's and GObject's symbols: they are its dependencies.
    bool ok = Resolve(handle, "gsf_init", init) && Resolve(handle, "gsf_input_stdio_new", api.input_stdio_new) &&
              Resolve(handle, "gsf_infile_msole_new", api.infile_msole_new) &&
              Resolve(handle, "gsf_infile_zip_new", api.infile_zip_new) &&
              Resolve(handle, "gsf_infile_num_children", api.infile_num_children) &&
              Resolve(handle, "gsf_infile_name_by_index", api.infile_name_by_index) &&
              Resolve(handle, "gsf_infile_child_by_index", api.infile_child_by_index) &&
              Resolve(handle, "gsf_infile_get_type", api.infile_get_type) &&
              Resolve(handle, "gsf_input_size", api.input_size) && Resolve(handle, "gsf_input_tell", api.input_tell) &&
              Resolve(handle, "gsf_input_seek", api.input_seek) && Resolve(handle, "gsf_input_read", api.input_read) &&
              Resolve(handle, "gsf_input_remaining", api.input_remaining) &&
              Resolve(handle, "g_object_ref", api.object_ref) && Resolve(handle, "g_object_unref", api.object_unref) &&
              Resolve(handle, "g_type_check_instance_is_a", api.type_check_instance_is_a) &&
              Resolve(handle, "g_error_free", api.error_free) &&
              Resolve(handle, "g_log_set_handler", api.log_set_handler) &&
              Resolve(handle, "g_log_remove_handler", api.log_remove_handler);
    if (!ok) {
        dlclose(handle);
        return nullptr;
    }
    init();
    return &api;
}

}  // namespace

const Api* Get() {
    static const Api* const api = Load();
    return api;
}

}  // namespace dulo::gsf

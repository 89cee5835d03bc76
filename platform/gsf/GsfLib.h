#pragma once
// libgsf, opened on first use. The compound-document and zip readers are the
// only users of libgsf, and it pulls in GLib, GIO, libxml2 and ICU: loading all
// of that with the library would cost every call its start-up time, also the
// calls that never read a workbook. The readers call libgsf through this table.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

namespace dulo::gsf {

struct Api {
    decltype(&::gsf_input_stdio_new) input_stdio_new;
    decltype(&::gsf_infile_msole_new) infile_msole_new;
    decltype(&::gsf_infile_zip_new) infile_zip_new;
    decltype(&::gsf_infile_num_children) infile_num_children;
    decltype(&::gsf_infile_name_by_index) infile_name_by_index;
    decltype(&::gsf_infile_child_by_index) infile_child_by_index;
    decltype(&::gsf_infile_get_type) infile_get_type;
    decltype(&::gsf_input_size) input_size;
    decltype(&::gsf_input_tell) input_tell;
    decltype(&::gsf_input_seek) input_seek;
    decltype(&::gsf_input_read) input_read;
    decltype(&::gsf_input_remaining) input_remaining;
    decltype(&::g_object_ref) object_ref;
    decltype(&::g_object_unref) object_unref;
    decltype(&::g_type_check_instance_is_a) type_check_instance_is_a;
    decltype(&::g_error_free) error_free;
    decltype(&::g_log_set_handler) log_set_handler;
    decltype(&::g_log_remove_handler) log_remove_handler;

    // GSF_IS_INFILE without the macro's direct reference to libgobject.
    bool IsInfile(GsfInput* input) const {
        return input && type_check_instance_is_a(reinterpret_cast<GTypeInstance*>(input), infile_get_type());
    }
};

// The loaded and initialised library; null when it cannot be loaded (the
// caller then fails as for an unreadable file). Thread-safe; loaded once and
// never unloaded (GLib's types cannot be unregistered).
const Api* Get();

}  // namespace dulo::gsf

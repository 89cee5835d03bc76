// The MDB Tools driver loses the search arguments of every statement with a
// WHERE clause (glib allocations of its SQL engine). Held loaded, its frames
// stay named, so that the leak check can leave exactly those out and still
// watch everything of ours.
#include <dlfcn.h>

namespace {

void* LoadAccessDriver() {
    if (void* handle = ::dlopen("libmdbodbc.so", RTLD_NOW | RTLD_NODELETE)) return handle;
    return ::dlopen("/usr/lib/x86_64-linux-gnu/odbc/libmdbodbc.so", RTLD_NOW | RTLD_NODELETE);
}

[[maybe_unused]] void* const g_accessDriver = LoadAccessDriver();

}  // namespace

#define DULO_SANITIZER_HOOK extern "C" __attribute__((visibility("default"), used))

DULO_SANITIZER_HOOK const char* __lsan_default_suppressions() { return "leak:mdb_sql_add_sarg\nleak:libmdbsql.so\n"; }
// glib keeps no frame pointers: the allocation stacks are walked the slow way,
// or they would end inside glib, before the driver's frames.
DULO_SANITIZER_HOOK const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

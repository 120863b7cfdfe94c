#include "platform/plist/plist_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace tilvane::plist {

namespace {

PlistLibrary load() {
    void* handle = ::dlopen(TILVANE_PLIST_SONAME, RTLD_NOW | RTLD_LOCAL);
    PlistLibrary library;
    bool complete = handle != nullptr;
#define TILVANE_PLIST_LOAD(name)                                                            \
    if (handle) library.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name)); \
    complete = complete && library.name;
    TILVANE_PLIST_FUNCTIONS(TILVANE_PLIST_LOAD)
#undef TILVANE_PLIST_LOAD
    if (!complete) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "tilvane: cannot load %s: %s\n", TILVANE_PLIST_SONAME,
                     why ? why : "a function is missing");
        std::exit(127);
    }
    return library;
}

}  // namespace

const PlistLibrary& plistLibrary() {
    static const PlistLibrary library = load();
    return library;
}

}  // namespace tilvane::plist

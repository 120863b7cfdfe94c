#pragma once

// libplist, loaded the first time the program reads or writes a property
// list: a command that touches no settings (`tilvane place`) never loads it.

#include <plist/plist.h>

namespace tilvane::plist {

// clang-format off
#define TILVANE_PLIST_FUNCTIONS(X) \
    X(plist_array_append_item) \
    X(plist_array_get_item) \
    X(plist_array_get_size) \
    X(plist_dict_get_item) \
    X(plist_dict_new_iter) \
    X(plist_dict_next_item) \
    X(plist_dict_set_item) \
    X(plist_free) \
    X(plist_from_bin) \
    X(plist_from_xml) \
    X(plist_get_bool_val) \
    X(plist_get_data_ptr) \
    X(plist_get_node_type) \
    X(plist_get_real_val) \
    X(plist_get_string_ptr) \
    X(plist_get_uid_val) \
    X(plist_get_uint_val) \
    X(plist_new_array) \
    X(plist_new_bool) \
    X(plist_new_data) \
    X(plist_new_dict) \
    X(plist_new_real) \
    X(plist_new_string) \
    X(plist_new_uid) \
    X(plist_new_uint) \
    X(plist_to_bin) \
    X(plist_to_bin_free) \
    X(plist_to_xml) \
    X(plist_to_xml_free)

// clang-format on

// The library's functions, by their own names.
struct PlistLibrary {
#define TILVANE_PLIST_DECLARE(name) decltype(&::name) name = nullptr;
    TILVANE_PLIST_FUNCTIONS(TILVANE_PLIST_DECLARE)
#undef TILVANE_PLIST_DECLARE
};

// The library, loaded on the first call. A program that cannot load it says
// so and ends, as it would had the library been linked in.
const PlistLibrary& plistLibrary();

}  // namespace tilvane::plist

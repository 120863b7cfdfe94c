// Feeds arbitrary bytes to the settings file's reader. Whatever it accepts
// must survive being written and read again unchanged.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/plist/property_list.h"

namespace {

using tilvane::SettingsValue;

// Equality that counts two NaNs as the same value.
bool same(const SettingsValue& a, const SettingsValue& b) {
    if (a.value.index() != b.value.index()) return false;
    if (auto x = std::get_if<double>(&a.value)) {
        double y = std::get<double>(b.value);
        return (std::isnan(*x) && std::isnan(y)) || *x == y;
    }
    if (auto x = std::get_if<tilvane::SettingsArray>(&a.value)) {
        const auto& y = std::get<tilvane::SettingsArray>(b.value);
        if (x->size() != y.size()) return false;
        for (size_t i = 0; i < x->size(); ++i)
            if (!same((*x)[i], y[i])) return false;
        return true;
    }
    if (auto x = std::get_if<tilvane::SettingsDictionary>(&a.value)) {
        const auto& y = std::get<tilvane::SettingsDictionary>(b.value);
        if (x->size() != y.size()) return false;
        for (auto i = x->begin(), j = y.begin(); i != x->end(); ++i, ++j)
            if (i->first != j->first || !same(i->second, j->second)) return false;
        return true;
    }
    return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parsed = tilvane::plist::parsePropertyList(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed.value) return 0;
    auto written = tilvane::plist::propertyListXml(*parsed.value);
    if (!written.xml) return 0;  // values nested too deeply cannot be written back
    auto again = tilvane::plist::parsePropertyList(*written.xml);
    if (!again.value || !same(*parsed.value, *again.value)) std::abort();
    return 0;
}

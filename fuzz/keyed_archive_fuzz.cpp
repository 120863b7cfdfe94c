// Feeds arbitrary bytes to the keyed-archive reader that stored shortcuts go
// through. Whatever it accepts must archive and read back to the same object,
// and must make a shortcut (or none) without harm.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/plist/keyed_archiver.h"
#include "shortcuts/shortcut.h"

namespace {

bool printableAscii(const std::string& text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tilvane::plist::PlistKeyedArchiver archiver;
    auto object = archiver.unarchiveObjectWithData(std::vector<uint8_t>(data, data + size));
    if (!object) return 0;

    if (auto shortcut = tilvane::Shortcut::initWithCoder(*object)) {
        (void)shortcut->description(nullptr);
        auto again = tilvane::unarchiveShortcut(archiver, tilvane::archiveShortcut(archiver, *shortcut));
        if (!again || again->keyCode() != shortcut->keyCode() || again->modifierFlags() != shortcut->modifierFlags())
            std::abort();
    }

    // Text other than printable ASCII may be re-encoded by the writer, and a
    // long class name may not fit the reader's size limit twice over.
    if (!printableAscii(object->className)) return 0;
    for (const auto& entry : object->integers)
        if (!printableAscii(entry.first)) return 0;
    auto bytes = archiver.archivedDataWithRootObject(*object);
    if (bytes.size() > tilvane::plist::PlistKeyedArchiver::kMaxArchiveBytes) return 0;
    auto back = archiver.unarchiveObjectWithData(bytes);
    if (!back || !(*back == *object)) std::abort();
    return 0;
}

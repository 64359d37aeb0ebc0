// The readers of what a device holds, under libFuzzer: one input, read as
// each of them would read it. The first byte picks the reader, so the corpus
// of each stays its own: 'p' the device profile (and the table's check), 'f'
// a tweak's filter list, 'w' the weather record, 'c' a crash note, 's' a
// pane's specifier list.
#include <cstddef>
#include <cstdint>
#include <string>

#include "crash/CrashReport.h"
#include "device/DeviceModels.h"
#include "device/Failure.h"
#include "device/Profile.h"
#include "foundation/PropertyList.h"
#include "preferences/PSSpecifier.h"
#include "substrate/Loader.h"
#include "weather/WeatherRecord.h"

namespace {
volatile std::size_t sink;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const char which = static_cast<char>(data[0]);
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (which) {
        case 'p':
            try {
                sim::Profile p = sim::profileFromData(bytes, "fuzz.plist");
                sink = sim::checkProfile(p).reason().size();
            } catch (const sim::Failure&) {
                // A profile it cannot take is refused with a failure: what the tool reports.
            }
            break;
        case 'f': {
            id plist = ns::dictionaryFromData(bytes);
            for (const char* version : {"10.3.3", "11.1.2"}) {
                substrate::LoaderProcess process{"SpringBoard", {"com.apple.springboard"},
                                                 substrate::coreFoundationVersionFor(version)};
                sink = substrate::matchFilter(plist, process).detail.size();
            }
            break;
        }
        case 'w': {
            weather::Record r = weather::recordFromData(bytes);
            sink = weather::recordData(r).size();
            break;
        }
        case 'c':
            if (auto note = crash::parseCrashNote(bytes)) {
                // The map a note names files by; a fuzzed one names nothing real.
                note->maps.clear();
                sink = crash::crashReport(*note).size() + crash::culprits(*note).size();
            }
            break;
        case 's': {
            // As the Settings app reads a pane's page: each item a row.
            auto list = rt::cast<NSDictionary>(ns::dictionaryFromData(bytes));
            auto items = list ? rt::cast<NSArray>(list->objectForKey("items")) : nullptr;
            if (!items) break;
            for (const id& entry : items->items)
                if (id row = ps::specifierFromEntry(entry, {}))
                    sink = ps::key(row).size() + ps::domain(row).size() + ps::cellTypeName(ps::cellType(row)).size();
            break;
        }
        default:
            break;
    }
    return 0;
}

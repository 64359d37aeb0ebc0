// The readers of what a device holds, under libFuzzer: one input, read as
// each of them would read it. The first byte picks the reader, so the corpus
// of each stays its own: 'p' the device profile (and the table's check), 'f'
// a tweak's filter list, 'w' the weather record, 'c' a crash note, 's' a
// pane's specifier list, 'm' the device's memory controller as its
// supervisor reads it, 't' text of a device's shown on a terminal, 'i' a
// picture (a wallpaper of the device's, or one the page uploads).
#include <cstddef>
#include <cstdint>
#include <string>

#include "MemoryGroup.h"
#include "crash/CrashReport.h"
#include "device/TerminalText.h"
#include "wire/DeviceModels.h"
#include "wire/Failure.h"
#include "wire/Profile.h"
#include "foundation/PropertyList.h"
#include "graphics/ImageFile.h"
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
        case 'm':
            // Its kill count, and a crash note's memory map against a data bound.
            sink = static_cast<std::size_t>(supervisor::oomKillCount(bytes).value_or(0)) +
                   supervisor::atDataBound(bytes, 64ULL * 1024 * 1024);
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
        case 'i':
            (void)cg::decodeImage(bytes);
            break;
        case 't': {
            // Nothing a terminal acts on gets through, and a text read in two
            // pieces is shown as it is read whole.
            std::string whole = sim::terminalSafe(bytes, sim::Lines::Many);
            for (std::size_t i = 0; i < whole.size(); ++i) {
                auto c = static_cast<unsigned char>(whole[i]);
                bool c1 = c == 0xc2 && i + 1 < whole.size() && static_cast<unsigned char>(whole[i + 1]) <= 0x9f;
                if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7f || c1) __builtin_trap();
            }
            sim::TerminalStream stream;
            std::size_t cut = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % bytes.size();
            std::string pieces = stream(std::string_view(bytes).substr(0, cut));
            pieces += stream(std::string_view(bytes).substr(cut));
            pieces += stream.end();
            if (pieces != whole) __builtin_trap();
            sink = whole.size();
            break;
        }
        default:
            break;
    }
    return 0;
}

// Settings reads and date formatting: the work of every refresh tick.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "foundation/DateFormatter.h"
#include "foundation/PropertyList.h"

namespace {

// A settings file like the pane writes: 8 Boolean, 8 integer and 5 string keys.
id settings() {
    id dict = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dict);
    for (const char* k : {"enableOVS", "disFlashing", "enableCDF", "useBlack", "useBold", "hideWea", "hideClo", "lockLoc"})
        d->setObject(NSNum(true), k);
    for (const char* k : {"clockStyle", "timeFormat", "a1", "a2", "a3", "a4", "a5", "a6"}) d->setObject(NSNum(2), k);
    for (const char* k : {"dayFormat", "dateFormat", "subTitle", "setCusText", "note"}) d->setObject(NSStr("EEEE d MMMM"), k);
    return dict;
}

std::string writeSettings(bool binary) {
    static const std::string dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    std::string path = dir + (binary ? "/settings.bin.plist" : "/settings.xml.plist");
    std::ofstream(path, std::ios::binary) << (binary ? ns::binaryData(settings()) : ns::xmlData(settings()));
    return path;
}

void BM_SettingsRead(benchmark::State& state) {
    std::string path = writeSettings(state.range(0) != 0);
    for (auto _ : state) {
        id dict = ns::dictionaryWithContentsOfFile(path);
        benchmark::DoNotOptimize(rt::cast<NSDictionary>(dict)->objectForKey("timeFormat"));
    }
    state.SetLabel(state.range(0) ? "binary" : "xml");
}
BENCHMARK(BM_SettingsRead)->Arg(0)->Arg(1);

const char* kPatterns[] = {"HH:mm", "EEEE\nyyyy-MM-dd"};

// A new formatter for every text, as naive refresh code does.
void BM_DateFormatFresh(benchmark::State& state) {
    ns::setDefaultLocale("en_US");
    ns::setDefaultTimeZone("UTC");
    double t = 1796677500;
    for (auto _ : state) {
        NSDateFormatter f;
        f.setDateFormat(kPatterns[state.range(0)]);
        benchmark::DoNotOptimize(f.stringFromDate(t));
        t += 1;
    }
    state.SetLabel(kPatterns[state.range(0)][0] == 'H' ? "HH:mm" : "EEEE\\nyyyy-MM-dd");
}
BENCHMARK(BM_DateFormatFresh)->Arg(0)->Arg(1);

// One formatter kept across texts.
void BM_DateFormatKept(benchmark::State& state) {
    ns::setDefaultLocale("en_US");
    ns::setDefaultTimeZone("UTC");
    NSDateFormatter f;
    f.setDateFormat(kPatterns[state.range(0)]);
    double t = 1796677500;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.stringFromDate(t));
        t += 1;
    }
    state.SetLabel(kPatterns[state.range(0)][0] == 'H' ? "HH:mm" : "EEEE\\nyyyy-MM-dd");
}
BENCHMARK(BM_DateFormatKept)->Arg(0)->Arg(1);

}  // namespace

// A large property list read whole: its size in megabytes, of string keys
// and values. The time grows with the size alone (compare 1 and 4), never
// with its square.
void BM_LargePropertyListRead(benchmark::State& state) {
    const std::size_t megabytes = static_cast<std::size_t>(state.range(0));
    id dict = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dict);
    std::string xml;
    for (int i = 0; xml.size() < megabytes * 1024 * 1024; ++i) {
        d->setObject(NSStr("value number " + std::to_string(i)), "key" + std::to_string(i));
        if (i % 1000 == 999) xml = ns::xmlData(dict);
    }
    xml = ns::xmlData(dict);
    std::size_t keys = d->entries.size();
    for (auto _ : state) {
        id read = ns::dictionaryFromData(xml);
        if (rt::cast<NSDictionary>(read)->entries.size() != keys) state.SkipWithError("keys were lost");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * xml.size()));
    state.counters["keys"] = static_cast<double>(keys);
}
BENCHMARK(BM_LargePropertyListRead)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

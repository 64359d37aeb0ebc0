#include "matrix/Report.h"

#include <map>
#include <set>

#include "matrix/BoundedJson.h"

namespace matrix {

using json = nlohmann::ordered_json;

std::string Shot::image() const { return std::string(kShotsFolder) + "/" + combination.name() + ".png"; }
std::string Shot::dump() const { return std::string(kShotsFolder) + "/" + combination.name() + ".json"; }
std::string Shot::thumb() const { return std::string(kThumbsFolder) + "/" + combination.name() + ".png"; }
std::string Shot::diff() const { return std::string(kDiffsFolder) + "/" + combination.name() + ".png"; }

std::size_t Report::findings() const {
    std::size_t n = 0;
    for (const Shot& s : shots) n += s.findings.size();
    return n;
}

std::size_t Report::failed() const {
    std::size_t n = 0;
    for (const Shot& s : shots) n += s.error.empty() ? 0 : 1;
    return n;
}

std::size_t Report::changed() const {
    std::size_t n = 0;
    for (const Shot& s : shots) n += s.comparison && s.comparison->status != "same" ? 1 : 0;
    return n;
}

json planJson(const Plan& p) {
    return {{"screens", p.choice.screens}, {"versions", p.choice.versions}, {"styles", p.choice.styles},
            {"locales", p.choice.locales}, {"at", p.at},                   {"run", p.run},
            {"set", p.settings},           {"packages", p.packages}};
}

json shotJson(const Shot& s) {
    const Combination& c = s.combination;
    json out{{"name", c.name()},   {"model", c.model}, {"version", c.version}, {"screen", c.screen()},
             {"scale", c.scale},   {"style", c.style}, {"locale", c.locale},   {"image", s.image()},
             {"dump", s.dump()}, {"thumb", s.thumb()}};
    if (!s.error.empty()) out["error"] = s.error;
    json findings = json::array();
    for (const Finding& f : s.findings) findings.push_back(findingJson(f));
    out["findings"] = std::move(findings);
    if (s.comparison) {
        json compared{{"status", s.comparison->status}, {"differentPixels", s.comparison->differentPixels}};
        if (s.comparison->status == "different") compared["diff"] = s.diff();
        out["compare"] = std::move(compared);
    }
    return out;
}

std::string reportText(const Report& r) {
    json out;
    out["format"] = kReportFormat;
    out["plan"] = planJson(r.plan);
    if (r.shard) out["shard"] = shardText(*r.shard);
    out["summary"] = {{"shots", r.shots.size()}, {"findings", r.findings()}, {"failed", r.failed()}, {"changed", r.changed()}};
    json shots = json::array();
    for (const Shot& s : r.shots) shots.push_back(shotJson(s));
    out["shots"] = std::move(shots);
    return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

namespace {

bool stringList(const json& plan, const char* key, std::vector<std::string>& out) {
    auto it = plan.find(key);
    if (it == plan.end() || !it->is_array() || it->size() > 10000) return false;
    out.clear();
    for (const json& item : *it) {
        if (!item.is_string()) return false;
        out.push_back(item.get<std::string>());
    }
    return true;
}

ns::Result<Plan> planOf(const json& value) {
    Plan p;
    if (!value.is_object() || !stringList(value, "screens", p.choice.screens) ||
        !stringList(value, "versions", p.choice.versions) || !stringList(value, "styles", p.choice.styles) ||
        !stringList(value, "locales", p.choice.locales) || !stringList(value, "set", p.settings) ||
        !stringList(value, "packages", p.packages) || !value.contains("at") || !value["at"].is_string() ||
        !value.contains("run") || !value["run"].is_string())
        return ns::fail("its plan is not the screens, versions, styles, locales, at, run, set and packages of a matrix");
    p.at = value["at"].get<std::string>();
    p.run = value["run"].get<std::string>();
    return p;
}

ns::Result<Shot> shotOf(const json& value, const std::map<std::string, Combination>& planned) {
    if (!value.is_object() || !value.contains("name") || !value["name"].is_string())
        return ns::fail("a shot has no name");
    auto it = planned.find(value["name"].get<std::string>());
    if (it == planned.end()) return ns::fail("the shot \"" + value["name"].get<std::string>() + "\" is not one its plan makes");
    Shot s;
    s.combination = it->second;
    if (auto e = value.find("error"); e != value.end()) {
        if (!e->is_string()) return ns::fail("the shot " + it->first + " has an error that is not a text");
        s.error = e->get<std::string>();
    }
    auto findings = value.find("findings");
    if (findings == value.end() || !findings->is_array()) return ns::fail("the shot " + it->first + " has no findings list");
    if (findings->size() > kMostFindings) return ns::fail("the shot " + it->first + " has more findings than a shot records");
    for (const json& f : *findings) {
        Finding finding;
        if (!findingFromJson(f, finding)) return ns::fail("the shot " + it->first + " has a finding that is not one");
        s.findings.push_back(std::move(finding));
    }
    if (auto c = value.find("compare"); c != value.end()) {
        auto status = c->is_object() ? c->find("status") : c->end();
        auto pixels = c->is_object() ? c->find("differentPixels") : c->end();
        if (status == c->end() || !status->is_string() || pixels == c->end() || !pixels->is_number_integer())
            return ns::fail("the shot " + it->first + " has a comparison that is not one");
        Comparison compared{status->get<std::string>(), pixels->get<long long>()};
        if (compared.status != "same" && compared.status != "different" && compared.status != "new")
            return ns::fail("the shot " + it->first + " compares as \"" + compared.status + "\"");
        s.comparison = compared;
    }
    return s;
}

}  // namespace

ns::Result<Shot> shotFromJson(const std::string& text, const Combination& combination) {
    auto value = boundedJson(text, kLargestReport, 8, "the shot's record");
    if (!value) return ns::fail(value.reason());
    return shotOf(*value, {{combination.name(), combination}});
}

ns::Result<Report> parseReport(const std::string& text) {
    auto document = boundedJson(text, kLargestReport, 16, "the report");
    if (!document) return ns::fail(document.reason());
    const json& d = *document;
    if (!d.is_object() || d.value("format", json()) != kReportFormat)
        return ns::fail(std::string("the report is not one of format \"") + kReportFormat + "\"");
    Report r;
    auto plan = planOf(d.value("plan", json()));
    if (!plan) return ns::fail(plan.reason());
    r.plan = *plan;
    if (auto shard = d.find("shard"); shard != d.end()) {
        auto parsed = shard->is_string() ? parseShard(shard->get<std::string>()) : ns::Result<Shard>(ns::fail("not a text"));
        if (!parsed) return ns::fail("its shard is not one: " + parsed.reason());
        r.shard = *parsed;
    }
    auto all = combinations(r.plan.choice);
    if (!all) return ns::fail("its plan makes no matrix: " + all.reason());
    std::map<std::string, Combination> planned;
    for (const Combination& c : *all) planned.emplace(c.name(), c);
    auto shots = d.find("shots");
    if (shots == d.end() || !shots->is_array()) return ns::fail("the report has no shots");
    std::set<std::string> seen;
    for (const json& value : *shots) {
        auto shot = shotOf(value, planned);
        if (!shot) return ns::fail(shot.reason());
        if (!seen.insert(shot->combination.name()).second)
            return ns::fail("the shot " + shot->combination.name() + " is there twice");
        r.shots.push_back(std::move(*shot));
    }
    return r;
}

}  // namespace matrix

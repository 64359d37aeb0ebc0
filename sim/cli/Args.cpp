#include "Args.h"

namespace cli {

Args::Args(const std::vector<std::string>& words, std::set<std::string> options, std::set<std::string> flags) {
    flags.insert("help");
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (sawDashDash_) {
            rest_.push_back(w);
            continue;
        }
        if (w == "--") {
            sawDashDash_ = true;
            continue;
        }
        if (w.size() > 2 && w.compare(0, 2, "--") == 0) {
            std::string name = w.substr(2);
            std::optional<std::string> value;
            if (auto eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.erase(eq);
            }
            if (flags.count(name)) {
                if (value) throw UsageError("--" + name + " takes no value");
                flags_.insert(name);
            } else if (options.count(name)) {
                if (!value) {
                    if (i + 1 >= words.size()) throw UsageError("--" + name + " needs a value");
                    value = words[++i];
                }
                options_[name].push_back(*value);
            } else {
                throw UsageError("unknown option " + w);
            }
            continue;
        }
        positionals_.push_back(w);
    }
}

std::optional<std::string> Args::option(const std::string& name) const {
    auto it = options_.find(name);
    if (it == options_.end()) return std::nullopt;
    return it->second.back();
}

std::vector<std::string> Args::optionValues(const std::string& name) const {
    auto it = options_.find(name);
    return it == options_.end() ? std::vector<std::string>{} : it->second;
}

void Args::expectPositionals(std::size_t n, const char* names) const {
    if (positionals_.size() < n) throw UsageError(std::string("missing ") + names);
    if (positionals_.size() > n) throw UsageError("unexpected argument \"" + positionals_[n] + "\"");
}

}  // namespace cli

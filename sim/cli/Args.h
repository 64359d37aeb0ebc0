// The arguments of one verb: positionals, --options with a value, --flags,
// and the words after "--".
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// Wrong use of a verb; the message names what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Args {
public:
    // Options take a value (--name V or --name=V); flags take none. "--help"
    // is always a flag. Anything else starting with "--" is a usage error.
    Args(const std::vector<std::string>& words, std::set<std::string> options, std::set<std::string> flags);

    bool help() const { return flags_.count("help") > 0; }
    bool flag(const std::string& name) const { return flags_.count(name) > 0; }
    std::optional<std::string> option(const std::string& name) const;  // the last one given
    // Every value of an option given more than once, in order.
    std::vector<std::string> optionValues(const std::string& name) const;
    const std::vector<std::string>& positionals() const { return positionals_; }
    const std::vector<std::string>& rest() const { return rest_; }  // after "--"
    bool hasRest() const { return sawDashDash_; }

    // Exactly `n` positionals, or a usage error naming what is missing or extra.
    void expectPositionals(std::size_t n, const char* names) const;

private:
    std::set<std::string> flags_;
    std::map<std::string, std::vector<std::string>> options_;
    std::vector<std::string> positionals_;
    std::vector<std::string> rest_;
    bool sawDashDash_ = false;
};

}  // namespace cli

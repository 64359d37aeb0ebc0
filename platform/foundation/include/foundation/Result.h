// A recoverable failure's way back to the caller: either the value or the
// reason it could not be had, in one line that says what failed and where.
//
//   ns::Result<std::string> text = readText(path);
//   if (!text) { NSLog("OVS: %s", text.reason().c_str()); return; }
//   use(*text);
//
// Programmer errors (a wrong signature, a class the code requires) are
// exceptions instead; boundaries that run foreign code catch those and log.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace ns {

// The reason of a failed Result; converts to any Result.
struct Failure {
    std::string reason;
};
inline Failure fail(std::string reason) { return Failure{std::move(reason)}; }

template <class T = void>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; asking a failure for it is a programmer error.
    T& value() & { return std::get<0>(checked()); }
    const T& value() const& { return std::get<0>(checked()); }
    T&& value() && { return std::get<0>(std::move(checked())); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T valueOr(T fallback) const& { return ok() ? std::get<0>(state_) : std::move(fallback); }

    // Empty for a success.
    const std::string& reason() const {
        static const std::string none;
        return ok() ? none : std::get<1>(state_).reason;
    }

private:
    std::variant<T, Failure>& checked() {
        if (!ok()) throw std::logic_error("value of a failed result: " + std::get<1>(state_).reason);
        return state_;
    }
    const std::variant<T, Failure>& checked() const {
        if (!ok()) throw std::logic_error("value of a failed result: " + std::get<1>(state_).reason);
        return state_;
    }
    std::variant<T, Failure> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failed_(true), reason_(std::move(failure.reason)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& reason() const { return reason_; }

private:
    bool failed_ = false;
    std::string reason_;
};

}  // namespace ns

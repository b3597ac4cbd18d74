#pragma once
// A value or the reason it could not be had. Errors carry the message that
// the user sees, in the program's own words.

#include <optional>
#include <string>
#include <utility>

namespace movalux {

struct Error {
    std::string message;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Error error) : error_(std::move(error.message)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& value() { return *value_; }
    const T& value() const { return *value_; }
    T& operator*() { return *value_; }
    T* operator->() { return &*value_; }
    const std::string& error() const { return error_; }

private:
    std::optional<T> value_;
    std::string error_;
};

// For operations that produce nothing but can fail.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error.message)), failed_(true) {}
    static Status success() { return {}; }

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return error_; }

private:
    std::string error_;
    bool failed_ = false;
};

}  // namespace movalux

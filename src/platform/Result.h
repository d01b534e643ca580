#pragma once

#include <QString>

#include <cstring>
#include <string>
#include <utility>
#include <variant>

namespace platform {

// Why a platform call failed, in the words the user reads: the file or device and what went
// wrong with it. A service whose callers tell its failures apart (the media device's codes,
// the imaging library's error codes) puts its own code beside the words; 0 when it has none.
class Failure {
public:
    explicit Failure(QString text, int code = 0) : text_(std::move(text)), code_(code) {}
    explicit Failure(const std::string& text, int code = 0)
        : Failure(QString::fromStdString(text), code) {}
    explicit Failure(const char* text, int code = 0) : Failure(QString::fromUtf8(text), code) {}

    const QString& text() const { return text_; }
    // The words as UTF-8, for the parts of the platform that speak std::string.
    std::string utf8() const { return text_.toStdString(); }
    int code() const { return code_; }

private:
    QString text_;
    int code_;
};

// What a platform call gives: its value, or the Failure that says why there is none. Not
// to be dropped: a caller that ignores it ignores a reason the user should have been told.
template <typename T = void> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Why it failed; only when !ok().
    const Failure& failure() const { return std::get<1>(state_); }
    const QString& why() const { return failure().text(); }

private:
    std::variant<T, Failure> state_;
};

// A call that gives nothing but done or why not.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }

    // Why it failed; only when !ok().
    const Failure& failure() const { return failure_; }
    const QString& why() const { return failure_.text(); }

private:
    Failure failure_{QString()};
    bool failed_ = false;
};

// The system's reason for an errno value ("No space left on device"), with the value as code.
inline Failure systemFailure(int error) {
    return Failure(QString::fromLocal8Bit(std::strerror(error)), error);
}

// Done: what a Result<> returns when the call did what was asked.
inline Result<> done() {
    return {};
}

} // namespace platform

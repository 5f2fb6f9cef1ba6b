#pragma once

#include <exception>
#include <string>

namespace tessaly::runtime {

// The kinds of failure a runtime service can raise.
enum class ErrorKind { Overflow, FloatingPoint, OutOfBounds, NotANumber };

// What a floating-point check found; None for the other kinds.
enum class FpCause { None, InvalidOperation, DivisionByZero, Overflow };

// The project's one error type. Every runtime service reports failure by throwing it;
// it is caught only by the conversion's trap and at the window's event boundary.
class Error : public std::exception {
public:
    explicit Error(ErrorKind kind, FpCause cause = FpCause::None);

    ErrorKind kind() const noexcept { return kind_; }
    FpCause cause() const noexcept { return cause_; }
    // The text shown to the user.
    const std::u16string& message() const noexcept { return message_; }
    // The same text in UTF-8.
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    ErrorKind kind_;
    FpCause cause_;
    std::u16string message_;
    std::string utf8_;
};

}  // namespace tessaly::runtime

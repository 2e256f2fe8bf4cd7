#pragma once
// The one exception type of the whole program. Every subsystem reports a
// failure by throwing a TException by value; the user interface catches it
// by reference and shows what() in a message box.

#include <exception>
#include <string>
#include <string_view>

class TException : public std::exception {
public:
    // Any of the three texts may be null; a null text is stored empty.
    TException(const char* where, const char* what, const char* details);
    TException(const std::string& where, const std::string& what, const std::string& details);
    TException(const TException&) = default;
    TException& operator=(const TException&) = default;
    ~TException() override;

    // "<what> in <where>. Details: <details>", brackets always written.
    const char* what() const noexcept override;

    const std::string& Where() const noexcept { return FWhere; }
    const std::string& WhatText() const noexcept { return FWhat; }
    const std::string& Details() const noexcept { return FDetails; }
    const std::string& Message() const noexcept { return FMessage; }

private:
    void Compose();

    std::string FWhere;
    std::string FWhat;
    std::string FDetails;
    std::string FMessage;
};

// A text as a message may quote it: every control character (C0, DEL, and
// the five bytes that Windows-1252 leaves undefined, which stand for C1
// controls) written as "\x" and two hex digits, so that a box shows what a
// file holds instead of breaking lines or hiding bytes.
std::string ControlsEscaped(std::string_view text);

// At most about 80 characters of a text quoted in a message, "..." added
// when it was cut: a huge bad line or value must not make a huge message.
// Control characters are escaped as by ControlsEscaped.
std::string Excerpt(std::string_view text);

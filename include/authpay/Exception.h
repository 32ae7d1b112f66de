#pragma once
// The base of every failure the module and its host raise: a message text (Chinese, as the user
// sees it) and the name of the exception class, e.g. "TExceptResRefManager".
//
// Exceptions never cross the module's export; they reach the host only as a const reference
// handed to the application object's exception hook, so the hook reads the two fields directly
// and needs no run-time type information from the module.
#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(QString message, const char *className = "Exception")
        : Message(std::move(message)), ClassName(className), utf8_(Message.toStdString()) {}
    ~Exception() override = default;

    const char *what() const noexcept override { return utf8_.c_str(); }

    QString Message;
    const char *ClassName;

private:
    std::string utf8_;
};

// Declares an exception class of the system: same message field, its own class name.
#define AUTHPAY_EXCEPTION_CLASS(Name, Base)                                   \
    class Name : public Base {                                                \
    public:                                                                   \
        explicit Name(QString message, const char *className = #Name)         \
            : Base(std::move(message), className) {}                          \
    }

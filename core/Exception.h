// The one exception family of the whole program. Every failure is one of
// these (or a std::exception from the standard library); the window's guard
// shows what() in a message box, the command line prints it.
#pragma once

#include <stdexcept>
#include <string>

namespace pictor {

// Base of the family; the message is UTF-8.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A picture's data or format is not acceptable: "画像フォーマットが不正です",
// optionally followed by a detail.
class EInvalidGraphic : public Exception {
public:
    EInvalidGraphic();
    explicit EInvalidGraphic(const std::string& detail);
    // An invalid-graphic error whose message is exactly message, without the
    // usual opening (the picture holder's unknown-extension error).
    static EInvalidGraphic WithMessage(const std::string& message);

private:
    struct TExactMessage {};
    EInvalidGraphic(TExactMessage, const std::string& message) : Exception(message) {}
};

// An operation that the object's present state does not allow.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// A file could not be opened or read: "ファイル %s は開けません".
class EFOpenError : public Exception {
public:
    explicit EFOpenError(const std::string& fileName);
    EFOpenError(const std::string& fileName, const std::string& reason);
};

// A file could not be created or written: "ファイル %s を作成できません".
class EFCreateError : public Exception {
public:
    explicit EFCreateError(const std::string& fileName);
    EFCreateError(const std::string& fileName, const std::string& reason);
};

// A text is not an integer: "'%s' は整数ではありません".
class EConvertError : public Exception {
public:
    using Exception::Exception;
    static EConvertError NotAnInteger(const std::string& text);
};

// A list index out of range: "リストのインデックスが範囲を超えています (%d)".
class EListError : public Exception {
public:
    using Exception::Exception;
    static EListError IndexOutOfBounds(long long index);
};

// An integer or floating-point division by zero that the arithmetic would
// otherwise perform.
class EDivByZero : public Exception {
public:
    EDivByZero();
    explicit EDivByZero(const std::string& detail);
};

// A broken invariant: "Assertion failure (<file>, line <n>)".
class EAssertionFailed : public Exception {
public:
    EAssertionFailed(const char* file, int line);
};

// Raises EAssertionFailed naming this source file and line when cond is false.
#define PICTOR_ASSERT(cond)                                          \
    do {                                                             \
        if (!(cond)) throw ::pictor::EAssertionFailed(__FILE__, __LINE__); \
    } while (0)

} // namespace pictor

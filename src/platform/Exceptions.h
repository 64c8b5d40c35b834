#pragma once

#include <QString>

#include <exception>
#include <string>

namespace quorvel {

// Base of every failure the program raises on purpose. The event dispatch shows the message of any
// Exception that escapes a handler in the standard error display.
class Exception : public std::exception {
public:
    explicit Exception(QString message)
        : message_(std::move(message))
        , utf8_(message_.toStdString()) {}
    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// The silent abort: unwinds the handler and its callers; the event dispatch shows nothing.
class EAbort : public Exception {
public:
    EAbort()
        : Exception(QStringLiteral("Operation aborted")) {}
};

// A text could not be converted to a number, date or other value.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A table-store failure with a message for the user (binding, state, field errors).
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A table-store failure that carries a numeric code and an empty message (decoding and range
// errors). The byte offset where a reader stopped is kept for logs and command-line tools.
class EStoreError : public EDatabaseError {
public:
    explicit EStoreError(int code, long long offset = -1)
        : EDatabaseError(QString())
        , code_(code)
        , offset_(offset) {}
    int ErrorCode() const noexcept { return code_; }
    long long Offset() const noexcept { return offset_; }

private:
    int code_;
    long long offset_;
};

// The report engine's exception for misuse ("QRPrinter not ready", "Illegal call to NewPage").
class EQRError : public Exception {
public:
    using Exception::Exception;
};

} // namespace quorvel

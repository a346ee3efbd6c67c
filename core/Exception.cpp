#include "core/Exception.h"

#include <cstring>

namespace pictor {

namespace {

const char* BaseName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

std::string WithReason(std::string message, const std::string& reason)
{
    if (!reason.empty()) message += " (" + reason + ")";
    return message;
}

} // namespace

EInvalidGraphic::EInvalidGraphic() : Exception("画像フォーマットが不正です") {}

EInvalidGraphic::EInvalidGraphic(const std::string& detail)
    : Exception(detail.empty() ? std::string("画像フォーマットが不正です")
                               : "画像フォーマットが不正です: " + detail)
{
}

EInvalidGraphic EInvalidGraphic::WithMessage(const std::string& message)
{
    return EInvalidGraphic(TExactMessage{}, message);
}

EFOpenError::EFOpenError(const std::string& fileName)
    : Exception("ファイル " + fileName + " は開けません")
{
}

EFOpenError::EFOpenError(const std::string& fileName, const std::string& reason)
    : Exception(WithReason("ファイル " + fileName + " は開けません", reason))
{
}

EFCreateError::EFCreateError(const std::string& fileName)
    : Exception("ファイル " + fileName + " を作成できません")
{
}

EFCreateError::EFCreateError(const std::string& fileName, const std::string& reason)
    : Exception(WithReason("ファイル " + fileName + " を作成できません", reason))
{
}

EConvertError EConvertError::NotAnInteger(const std::string& text)
{
    return EConvertError("'" + text + "' は整数ではありません");
}

EListError EListError::IndexOutOfBounds(long long index)
{
    return EListError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
}

EDivByZero::EDivByZero() : Exception("0 による除算") {}

EDivByZero::EDivByZero(const std::string& detail) : Exception("0 による除算: " + detail) {}

EAssertionFailed::EAssertionFailed(const char* file, int line)
    : Exception(std::string("Assertion failure (") + BaseName(file) + ", line " +
                std::to_string(line) + ")")
{
}

} // namespace pictor

#include "compose/WordText.h"

#include "core/TextUtil.h"

namespace {

std::string Append(const std::string& text, const char* format, const std::tm& localTime)
{
    char stamp[32];
    const std::size_t n = std::strftime(stamp, sizeof stamp, format, &localTime);
    return text + std::string(stamp, n);
}

} // namespace

std::string AnnotationText(const std::string& typed)
{
    return typed.empty() ? "请输入文本" : typed;
}

int AnnotationTextLength(const std::string& text)
{
    return static_cast<int>(ToGbk(text).size());
}

std::string AppendDate(const std::string& text, const std::tm& localTime)
{
    return Append(text, "%Y-%m-%d", localTime);
}

std::string AppendTime(const std::string& text, const std::tm& localTime)
{
    return Append(text, "%H:%M:%S", localTime);
}

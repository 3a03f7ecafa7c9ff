#pragma once

// The rules of the text annotation dialog, without its window.

#include <ctime>
#include <string>

// What OK hands over: the typed text, or "请输入文本" when nothing was typed.
std::string AnnotationText(const std::string& typed);
// A text's length in bytes as it is stored and drawn: its GBK bytes.
int AnnotationTextLength(const std::string& text);
// The text with the date ("%Y-%m-%d") or the time ("%H:%M:%S") of localTime
// appended, without a separator.
std::string AppendDate(const std::string& text, const std::tm& localTime);
std::string AppendTime(const std::string& text, const std::tm& localTime);

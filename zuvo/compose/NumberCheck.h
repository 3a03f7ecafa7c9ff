#pragma once

// The number check that runs on every change of the To or the CC field:
// repeats removed, no more than 100 numbers in both fields together, and
// the count the window shows beside To.

#include <string>
#include <string_view>
#include <vector>

// Numbers of a field as the count label counts them: the commas plus one,
// unless the text ends with ","; none in an empty text. A full-width "，"
// separates numbers as "," does.
int CountNumbers(std::string_view field);

// The non-empty numbers of a text separated by "," or "，", in order.
std::vector<std::string> SplitNumbers(std::string_view field);

struct NumberCheck {
    std::string text; // the edited field's new text
    bool changed = false;
    int total = 0; // the numbers of both fields, for the count label
    int dropped = 0; // the numbers cut off past the hundredth
};

// What the window says when numbers were cut off.
std::string DroppedNumbersText(int dropped);

// Checks `edited` against `other`, numbers separated by "," or "，" (made
// ","), a number being complete once a separator follows it. Only the
// field's first 4000 GBK bytes are taken. A complete, non-empty number that
// stands earlier in the field or anywhere in the other field is removed
// with its comma; at the complete number that would bring both fields over
// 100 the text is cut before it, as it is before a last number being typed
// when the hundred are full already; the non-empty numbers cut off are
// counted as dropped.
NumberCheck CheckNumbers(std::string_view edited, std::string_view other);

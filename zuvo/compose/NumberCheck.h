#pragma once

// The number check that runs on every change of the To or the CC field:
// repeats removed, no more than 100 numbers in both fields together, and
// the count the window shows beside To.

#include <string>
#include <string_view>

// Numbers of a field as the count label counts them: the commas plus one,
// unless the text ends with ","; none in an empty text.
int CountNumbers(std::string_view field);

struct NumberCheck {
    std::string text; // the edited field's new text
    bool changed = false;
    int total = 0; // the numbers of both fields, for the count label
};

// Checks `edited` against `other`, numbers separated by ",", a number being
// complete once a "," follows it. Only the field's first 4000 GBK bytes are
// taken. A complete, non-empty number that stands earlier in the field or
// anywhere in the other field is removed with its comma; at the complete
// number that would bring both fields over 100 the text is cut before it
// (with what follows).
NumberCheck CheckNumbers(std::string_view edited, std::string_view other);

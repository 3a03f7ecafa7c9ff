#pragma once

// The process's one source of invoke ids. Every request that a window or the
// session sends carries one, and its listener keeps only the replies that
// carry it back, so two owners must never get the same number.

// A new id: positive and below 2^31 (it travels as a decimal text and is read
// back as a 32-bit number). After 2^31 - 1 ids the numbers start again at 1.
long NextInvokeId();

// The id that follows `previous`: previous + 1, and 1 after 2^31 - 1 (or
// after anything out of range).
long InvokeIdAfter(long previous);

// Numbers written in fixed-point notation, digit for digit as the C library's
// printf("%.*f") writes them in the "C" locale: the exact value of the double
// rounded to the given decimals, ties to even, a minus sign on every negative
// value (so -0.0 and a negative value that rounds to zero give "-0.000000").
#pragma once

namespace tovfileio {

namespace tovtext {

// Room WriteFixed may need: sign, 309 integer digits, point and decimals.
constexpr int kFixedRoom = 330;

// Writes `value` with `decimals` (0 to 17) digits after the point at `out`,
// which has room for kFixedRoom characters, and returns the end. Values below
// a billion in magnitude take an exact integer path; all others, infinities
// and NaN are written by std::to_chars, which writes the same digits.
char* WriteFixed(char* out, double value, int decimals);

}  // namespace tovtext

}  // namespace tovfileio

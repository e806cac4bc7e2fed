#pragma once

namespace tessaryn {

// `number` truncated toward zero to a 32-bit signed integer, set when that is above 0.
// Values outside the 32-bit range and NaN convert to the most negative integer on the
// host's processor, so they leave the flag clear; the comparison says the same without
// an out-of-range conversion.
inline bool optionFlag(double number) {
    return number >= 1.0 && number < 2147483648.0;
}

}  // namespace tessaryn

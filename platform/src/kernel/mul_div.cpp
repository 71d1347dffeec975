// MulDiv: a 64-bit intermediate product, rounded to the nearest integer
// (halves away from zero), -1 for a zero divisor or a result that does not
// fit in 32 bits, as Windows answers.
#include <windows.h>

#include <limits>

extern "C" {

int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    long long product = static_cast<long long>(nNumber) * nNumerator;
    long long half = (nDenominator < 0 ? -static_cast<long long>(nDenominator) : nDenominator) / 2;
    bool negative = (product < 0) != (nDenominator < 0);
    long long magnitude = (product < 0 ? -product : product) + half;
    long long quotient =
        magnitude / (nDenominator < 0 ? -static_cast<long long>(nDenominator) : nDenominator);
    long long result = negative ? -quotient : quotient;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(result);
}

}  // extern "C"

#pragma once
// Random draws from the standard library's rand, scaled in single precision as
// the original platform's 15-bit rand was. 0 for a bound out of range.
int RandomBelow(int n);           // 0 to n - 1, for 1 <= n <= 32768
float RandomFloatBelow(float f);  // [0, f), for f > 0
int RandomBelowLarge(int n);      // 0 to n - 1 from two draws, for 1 <= n <= 2^30

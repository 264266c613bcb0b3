// Polynomial hashes of byte strings modulo the prime 2^61 - 1, with which the
// page reader tells whether two spans are equal without comparing them: two
// different strings of length L share a hash for at most L of the prime's
// bases, so for a base drawn at random a false match is as good as never.
#ifndef TALLISK_PAGEHASH_H
#define TALLISK_PAGEHASH_H

typedef unsigned long long HashValue;

const HashValue hashModulus = (1ULL << 61) - 1;

// a * b modulo the prime, for a and b below it.
inline HashValue HashMultiply(HashValue a, HashValue b)
{
#if defined(__SIZEOF_INT128__)
    unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    HashValue folded = (static_cast<HashValue>(product) & hashModulus) + static_cast<HashValue>(product >> 61);
#else
    // In 32-bit halves: 2^64 is 8 and 2^61 is 1 modulo the prime, and every
    // partial sum stays below 2^63.
    const HashValue aHigh = a >> 32, aLow = a & 0xffffffffULL, bHigh = b >> 32, bLow = b & 0xffffffffULL;
    const HashValue middle = aHigh * bLow + aLow * bHigh;
    const HashValue low = aLow * bLow;
    HashValue folded = (aHigh * bHigh << 3) + (middle >> 29) + ((middle & ((1ULL << 29) - 1)) << 32)
        + (low >> 61) + (low & hashModulus);
#endif
    folded = (folded & hashModulus) + (folded >> 61);
    return folded >= hashModulus ? folded - hashModulus : folded;
}

inline HashValue HashAdd(HashValue a, HashValue b)
{
    HashValue sum = a + b;
    return sum >= hashModulus ? sum - hashModulus : sum;
}

inline HashValue HashSubtract(HashValue a, HashValue b)
{
    return a >= b ? a - b : a + hashModulus - b;
}

// The hash of a string followed by one more byte.
inline HashValue HashStep(HashValue hash, HashValue base, unsigned char byte)
{
    return HashAdd(HashMultiply(hash, base), byte);
}

// base^exponent: what a hash is multiplied by when `exponent` bytes follow it.
inline HashValue HashPower(HashValue base, unsigned long long exponent)
{
    HashValue power = 1;
    for (; exponent != 0; exponent >>= 1) {
        if (exponent & 1)
            power = HashMultiply(power, base);
        base = HashMultiply(base, base);
    }
    return power;
}

#endif

// Polynomial hashes of byte strings modulo the prime 2^61 - 1, with which the
// page reader tells whether two spans are equal without comparing them: two
// different strings of length L share a hash for at most L of the prime's
// bases, so for a base drawn at random a false match is as good as never.
#ifndef TALLISK_PAGEHASH_H
#define TALLISK_PAGEHASH_H

typedef unsigned long long HashValue;

const HashValue hashModulus = (1ULL << 61) - 1;

// A number below 2^63 modulo the prime.
inline HashValue HashFold(HashValue folded)
{
    folded = (folded & hashModulus) + (folded >> 61);
    return folded >= hashModulus ? folded - hashModulus : folded;
}

// a * b modulo the prime, for a and b below it, in 32-bit halves, as the
// 32-bit build computes it: 2^64 is 8 and 2^61 is 1 modulo the prime, and
// every partial sum stays below 2^63.
inline HashValue HashMultiplyInHalves(HashValue a, HashValue b)
{
    const HashValue aHigh = a >> 32, aLow = a & 0xffffffffULL, bHigh = b >> 32, bLow = b & 0xffffffffULL;
    const HashValue middle = aHigh * bLow + aLow * bHigh;
    const HashValue low = aLow * bLow;
    return HashFold((aHigh * bHigh << 3) + (middle >> 29) + ((middle & ((1ULL << 29) - 1)) << 32)
        + (low >> 61) + (low & hashModulus));
}

// a * b modulo the prime, for a and b below it.
inline HashValue HashMultiply(HashValue a, HashValue b)
{
#if defined(__SIZEOF_INT128__)
    unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return HashFold((static_cast<HashValue>(product) & hashModulus) + static_cast<HashValue>(product >> 61));
#else
    return HashMultiplyInHalves(a, b);
#endif
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

// Terms for hashing eight bytes with one multiplication: term[k][c] is
// c base^(7 - k), each below the prime, so the eight terms of a run of eight
// bytes add up within 64 bits before one reduction.
struct HashTables {
    HashValue base;
    HashValue eighth;  // base^8
    HashValue term[8][256];
};

inline void FillHashTables(HashTables& tables, HashValue base)
{
    tables.base = base;
    HashValue power = 1;
    for (int k = 7; k >= 0; --k) {
        for (unsigned c = 0; c < 256; ++c)
            tables.term[k][c] = HashMultiply(c, power);
        power = HashMultiply(power, base);
    }
    tables.eighth = power;
}

// The hash of a string followed by the eight bytes at `at`.
inline HashValue HashEight(const HashTables& tables, HashValue hash, const unsigned char* at)
{
    HashValue sum = 0;
    for (int k = 0; k < 8; ++k)
        sum += tables.term[k][at[k]];
    return HashAdd(HashMultiply(hash, tables.eighth), HashFold(sum));
}

// The hash of a string followed by `length` more bytes: eight at a time
// where there are tables, one at a time with `base` where `tables` is null.
inline HashValue HashRun(
    const HashTables* tables, HashValue base, HashValue hash, const unsigned char* bytes, size_t length)
{
    size_t i = 0;
    if (tables != nullptr)
        for (; length - i >= 8; i += 8)
            hash = HashEight(*tables, hash, bytes + i);
    for (; i < length; ++i)
        hash = HashStep(hash, base, bytes[i]);
    return hash;
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

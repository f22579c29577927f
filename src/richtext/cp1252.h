#pragma once
// Windows code page 1252, the code page of the stored RTF texts. Bytes 0x00-0x7F and
// 0xA0-0xFF are the Unicode characters of the same value; the block 0x80-0x9F is below.
// The five bytes that 1252 leaves undefined (81 8D 8F 90 9D) map to the C1 controls of
// the same value, as Windows and the WHATWG encoding standard do.

namespace rimario::cp1252 {

inline constexpr char16_t kBloque80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

inline constexpr char16_t aUnicode(unsigned char b)
{
    return (b >= 0x80 && b < 0xA0) ? kBloque80[b - 0x80] : char16_t(b);
}

// The byte of a UTF-16 unit in code page 1252, or -1 when it has none.
inline constexpr int aByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    if (c > 0x2122)
        return -1;
    for (int i = 0; i < 32; ++i)
        if (kBloque80[i] == c)
            return 0x80 + i;
    return -1;
}

} // namespace rimario::cp1252

#pragma once
// Numbers read from text the way the C library's strtol, strtoul and atoi read them where
// `long` is 32 bits wide. colors.dat, code texts and the address boxes were always read
// with those functions, and files written by earlier versions must keep meaning the same,
// so the exact rules matter: leading white space is skipped, one optional sign, for base
// 16 an optional "0x" prefix, then digits up to the first other character; no digits
// reads as 0. Unlike the C functions these take a string_view, never read past it and
// never depend on the locale or on errno.

#include <cstdint>
#include <string_view>

namespace vtx {

// strtol: a value above 7FFFFFFF reads as 7FFFFFFF, one below -80000000 as -80000000.
[[nodiscard]] std::int32_t StrToL32(std::string_view text, int base);

// strtoul: a value above FFFFFFFF reads as FFFFFFFF; a leading "-" negates modulo 2^32
// ("-1" reads as FFFFFFFF).
[[nodiscard]] std::uint32_t StrToUL32(std::string_view text, int base);

// StrToUL32 for numbers up to any limit of the form 2^n - 1 (the goto boxes of a file past
// 4 GiB): above it reads as the limit, and "-" negates modulo limit + 1.
[[nodiscard]] std::uint64_t StrToULimited(std::string_view text, int base, std::uint64_t limit);

// atoi: decimal strtol.
[[nodiscard]] inline std::int32_t AtoI32(std::string_view text) { return StrToL32(text, 10); }

} // namespace vtx

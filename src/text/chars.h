// The character classes of the classic C locale, which the message patterns
// use and everything that reads or writes their parts must agree with. Bytes
// 0x80 and above belong to none of them. Every stage may include this file.
#pragma once

// "[[:space:]]": blank, tab, line feed, vertical tab, form feed, carriage
// return.
constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// "[0-9]".
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "[A-Za-z]".
constexpr bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// "[[:punct:]]": the printable ASCII characters that are neither letters nor
// digits nor the blank.
constexpr bool IsPunct(char c) { return c > ' ' && c < '\x7F' && !IsLetter(c) && !IsDigit(c); }

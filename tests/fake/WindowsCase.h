#pragma once

#include <string>

// How Windows compares names ignoring case, for the fakes: each UTF-16
// unit upper-cased on its own (ordinal, simple mapping, no special casing:
// "ß" stays "ß", so "Straße" and "STRASSE" differ), a character outside
// the Basic Multilingual Plane left as it is. The table covers the scripts
// the tests name things in: Latin (with Latin-1 and Latin Extended-A),
// Greek, Cyrillic, Armenian and the full-width Latin letters; CJK has no
// case.
namespace fake {

std::string UpcaseName(const std::string& utf8);
// The lower-case form in which Windows lists a folder's names in order.
std::string LowercaseName(const std::string& utf8);

} // namespace fake

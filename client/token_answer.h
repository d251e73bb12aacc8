// token_answer.h: how the token exchange reads the authority's answer. From
// schema 3.0 the authority writes the header and result elements with "nsN:"
// prefixes; the reader finds elements under their plain names only.
#pragma once

#include <string>

// The text with the prefixes "ns1:" to "ns4:" removed from every opening and
// closing tag; other prefixes stay.
std::string WithoutPrefixes(std::string text);

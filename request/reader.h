// reader.h: the element-text reader: the bytes between the first opening tag
// "<tag>" and the first closing tag "</tag>" of a text. A plain text search,
// exact and case-sensitive: no tree, no namespaces, no attributes and no
// decoding of entities.
#pragma once

#include <string>

// "" when either tag is missing or the first closing tag does not follow the
// first opening tag.
std::string XMLBANYASZ(const std::string& text, const std::string& tag);

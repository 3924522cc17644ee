#pragma once
// Cutting text into pieces, trimming it and joining fields.
#include <string>
#include <vector>

#include "../module/IVarList.h"

// The pieces of text between runs of delimiter characters; empty pieces are left
// out, but an empty text gives one empty piece. With a non-zero limit, once that
// many delimiter runs (a leading run included) are passed, the rest is one piece.
std::vector<std::string> SplitText(const std::string& text, const std::string& delimiters, unsigned limit);
// The same pieces appended to out as String values.
void Split(IVarList& out, const std::string& text, const std::string& delimiters, unsigned limit);

void Trim(std::string& text, bool left, bool right);  // removes " \t\r", not line feeds

// a + "," + b + "," + c + "," + d + "," + e + ";"
std::u16string JoinFields(const std::u16string& a, const std::u16string& b, const std::u16string& c,
                          const std::u16string& d, const std::u16string& e);

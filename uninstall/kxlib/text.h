// Small text routines used to take apart configuration values: the last
// position of a character, the splitting of a separated list and a search of
// a text in a list of texts, ignoring letter case.
#pragma once

#include <string>
#include <vector>

namespace kx {

// Position (from 1) of the last Ch in S; 0 when S does not contain it.
int LastCharPos(char ch, const std::string& s);

// Clears List and adds the pieces of Text between the separators Sep, empty
// pieces included; a trailing separator adds no empty last piece.  Pieces are
// not trimmed.  Text may be of any length.
void SplitText(const std::string& text, char sep, std::vector<std::string>& list);

// Index (from 0) of the first item equal to S when both are upper-cased
// (ASCII letters only); -1 when none is.
int IndexOfText(const std::string& s, const std::vector<std::string>& items);

}  // namespace kx

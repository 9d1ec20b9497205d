// The installed font families that can set equation text: Windows-1252 bytes drawn through a
// face's Unicode map need the Latin letters there. The font choosers offer these.
#pragma once

#include <string>
#include <vector>

namespace kv {

struct TextFamily {
  std::string name;      // as fontconfig names the family (its English name where it has several)
  bool outline = false;  // some face of the family is drawn from outlines, at any size
};

// Every family of the current fontconfig configuration all of whose faces map the letters A to
// Z and a to z and are not symbol-encoded, leaving out a family named "Symbol" (its text is read
// as symbol codes, see FontCatalog). Names fontconfig takes as the same family (case and blanks
// aside) are one entry. In no particular order.
std::vector<TextFamily> ListTextFamilies();

}  // namespace kv

// A structural check of a compound file, run over the file's bytes before libgsf is given them.
//
// libgsf follows sector chains and directory links as it finds them; a damaged file can make it
// loop for ever, recurse without end or size a buffer from a field nobody checked. The check
// walks everything libgsf will walk to reach the "Contents" stream — the header, the list of
// allocation-table sectors, the directory chain and its tree, the mini stream, the mini
// allocation table and the stream's own chain — with every index bounded by the file and every
// walk bounded by the number of sectors the file holds. Only a file that passes is opened.
// The check itself needs memory in proportion to the number of sectors, never more.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kv {

// The eight bytes every compound file starts with.
inline constexpr std::array<std::uint8_t, 8> kCompoundFileSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                                       0xA1, 0xB1, 0x1A, 0xE1};

// The name of the one stream a document file holds.
inline constexpr char kContentsStreamName[] = "Contents";

struct CompoundFileCheck {
  // Empty when the file may be opened; otherwise what is wrong with it, for diagnostics.
  std::string problem;
  // The size of the "Contents" stream, which the file is known to hold in full.
  std::uint64_t contentsSize = 0;

  bool Passed() const { return problem.empty(); }
};

// Checks `file`, which starts with the signature, as far as reading "Contents" needs.
CompoundFileCheck CheckCompoundFile(std::span<const std::uint8_t> file);

}  // namespace kv

#pragma once
// The simulated adapter's print tests: the adapter's memory read as a print-file
// image (directory, blank images, descriptors, text) and printed as the adapter
// prints it, with sample values in the places of the descriptors.

#include <cstddef>
#include <string>
#include <vector>

namespace rastrova::sim {

// The lines a print test sends, in code page 866, without their line ends
// (the adapter ends each with 0x0D 0x0A and the whole printout with 0x1A).
// `archive` selects the archive blanks (test 0xDD) instead of the hourly ones
// (test 0xCC). The lines together with their line ends stay within `limit` bytes.
std::vector<std::string> printTestLines(const unsigned char* memory, std::size_t size, bool archive,
                                        std::size_t limit);

} // namespace rastrova::sim

#pragma once
// What libdvdread reads of a title set's IFO file (its information table and its program-chain
// table), checked against the file's bytes before libdvdread is asked to read it. libdvdread trusts
// the offsets and counts it finds: a program chain that cannot be read whole, when two titles point
// at it, makes it read through a null pointer and take the process with it.
#include <cstddef>
#include <vector>

struct TTitleSetLayout {
  // The tables fit the file: libdvdread may read it.
  bool Readable = false;
  // Per title (program-chain search pointer): its program chain and that chain's tables lie whole
  // inside the program-chain table and the file. A title whose chain does not is left out.
  std::vector<bool> ChainFits;
};

// `data` holds the whole file. Unreadable: the information table is short or not a title set's; the
// program-chain table is missing, runs past the file's end or does not hold its own search pointers
// (counts past its end, a zero size); or a program chain that does not fit is shared by titles.
TTitleSetLayout CheckTitleSetLayout(const unsigned char *data, std::size_t size);

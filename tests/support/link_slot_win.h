// The directory-link fixtures the harness lays out once per prefix (tools/wine-run): Z:\links\N.
#pragma once

#include <string>

namespace tarnvel::test {

// Slot N as laid out ("Z:\links\N\"), its plain files and folders put back first: whatever an
// earlier test or run wrote into it goes, and what it removed comes back. Windows code can neither
// make nor remove a link under Wine, so the links are only checked: a missing one fails the test.
// Each slot holds
//   outside\keep.txt ("keep\n"), tree\file.txt ("file\n"), deep\a\b\f.txt ("deep\n");
//   tree\link -> outside, tree\sub\up -> tree, deep\a\b\up -> deep\a, deep\a\home -> the slot,
//   alias -> tree; pair\dst\sub\g.txt ("sub\n") and pair\src\in -> pair\dst\sub.
std::string LinkSlot(int slot);

// File-link case N (1..8) of this test executable, laid out fresh by tools/wine-run at each start:
// "Z:\file-links\<executable>\N\" holding outside\keep.txt ("keep\n") and dst\f.txt, a host link
// to it that Wine lists as a plain file. Each case serves one test: what removes the link cannot
// put it back. A missing link fails the test.
std::string FileLinkCase(int n);

}  // namespace tarnvel::test

#pragma once

// The text of the settings store file.
//
// A text file in the spirit of a REGEDIT4 export; lines end in LF (a CR before the LF is
// ignored, so a file edited on Windows still reads). Texts are Windows-1252 bytes and are
// written as they are, except for the escapes below.
//
//   ; Dovrex settings store
//
//   [HKEY_LOCAL_MACHINE\Software\Kelmora, Inc.\Dovrex\Route]
//   "Source"="C:\\routes\\route.txt"
//   @="the key's default value"
//   "Count"=dword:0000002a
//   "Path"=expand:"%HOME%\\maps"
//   "Blob"=hex:01,ff,00
//   "Lines"=hex(7):61,00,00
//
// - A section header names a key: the hive name, then the key's levels, separated by "\".
//   In a level, bytes below 20 hex, 7F hex and "%" are written as "%" and two hex digits
//   (a "%" not followed by two hex digits reads as itself). Empty levels are ignored.
//   Every key has a header, even one without values, so that empty keys and the letter
//   case of every level survive; a hive gets one only when it holds values itself.
// - A value line is a name, "=", and the data. The name is "@" for the default (unnamed)
//   value, otherwise a quoted text. Data: a quoted text is a plain string, "expand:" and a
//   quoted text an expandable string, "dword:" and up to eight hex digits a 32-bit number,
//   "hex:" a comma-separated list of two-digit hex bytes a binary value, and "hex(N):"
//   with N in hex the bytes of a value of kind N (how any other kind is kept).
// - In a quoted text, \\ \" \r \n \t stand for backslash, quote, CR, LF and tab, and \x
//   with two hex digits for any byte; other bytes below 20 hex and 7F hex are written that
//   way. A backslash before anything else reads as itself.
// - Blank lines are ignored. Values come in the order they were created; subkeys follow
//   their parent in alphabetical order.
// - A line that cannot be read (a comment, a broken header and every line under it, a
//   garbled or repeated value) takes no effect but is kept: it is written back after the
//   values of the key it appeared under, so that saving never drops what another program
//   or a person put into the file.
//
// Parsing and formatting are pure: the file itself is read and saved by the store.

#include "RegistryTree.h"

#include <string>
#include <string_view>

namespace dovrex {

// The store file's text as a tree; never fails: what cannot be read is kept as foreign lines.
RegistryTree ParseRegistryText(std::string_view text);
// The tree as the store file's text; ParseRegistryText gives the same tree back.
std::string FormatRegistryText(const RegistryTree& tree);

} // namespace dovrex

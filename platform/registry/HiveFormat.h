#pragma once
// The text form of a hive file (UTF-8, LF or CR LF line ends):
//
//   ; comment lines start with a semicolon
//   [HKEY_CURRENT_USER\Software\Example]
//   "Name"="text, with \"quotes\" and \\ backslashes"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,ff
//   "Other"=hex(7):41,00,00,00,00,00
//   @="the key's default value"
//
// One [section] per key, named with its full path from the hive's root; a
// section implies the keys above it. Strings that hold control characters or
// cannot be written as text are written as hex(1) (UTF-16LE with their NUL),
// so every value reads back exactly. A hex value may continue over several
// lines with a backslash at the end of a line.

#include "Registry.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vel::registry {

struct KeyNode {
    std::u16string name; // as created
    std::vector<NamedValue> values;
    std::map<std::u16string, std::unique_ptr<KeyNode>> children; // by upper-case name

    KeyNode* Child(std::u16string_view name) const;
    KeyNode& AddChild(std::u16string_view name); // existing or new
    NamedValue* FindValue(std::u16string_view name);
};

// A key or value name the text form can hold exactly: no control characters,
// no unpaired surrogates.
bool IsStorableName(std::u16string_view name);

// Splits a key path at backslashes; leading and trailing backslashes are
// ignored. False for an empty component ("a\\b") or a name that is too long.
bool SplitKeyPath(std::u16string_view path, std::vector<std::u16string>& parts);

// Parses a hive file's text into `root`. On failure returns false and says
// where in `error` ("line 7: ...").
bool ParseHiveText(std::string_view text, Hive hive, KeyNode& root, std::string& error);
std::string FormatHiveText(const KeyNode& root, Hive hive);

} // namespace vel::registry

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mervale {

// Lines are bytes in the system's 8-bit code page; nothing is ever re-encoded.
using LineList = std::vector<std::string>;

// Splits file bytes into lines: CR LF, a lone CR and a lone LF each end a line; a break at the very
// end gives no empty line; the first NUL ends the list.
LineList SplitLines(std::string_view bytes);
// Every line followed by CR LF, the last one too.
std::string JoinLines(const LineList& lines);

// Replaces `list` with the file's lines; throws Error (the open text) and leaves `list` as it was
// when the file cannot be read.
void LoadLineList(LineList& list, const std::string& path);
// Replaces the file with the lines. The new content is written beside it and renamed over it, so a
// failed save leaves the previous file intact. Throws Error with the create or stream-write text.
void SaveLineList(const LineList& list, const std::string& path);

// Index of the first line equal to `text` with letter case ignored, or -1: the string-list form
// (the locale's case-ignoring collation).
int FindLine(const LineList& list, std::string_view text);
// The same for the items of a list box (its exact-match search).
int FindListBoxLine(const LineList& items, std::string_view text);
// Case-ignoring three-way comparison used by FindLine and SortLines.
int CompareTextIgnoringCase(std::string_view a, std::string_view b);
// Ascending, letter case ignored.
void SortLines(LineList& list);

// The line at `index`; throws Error("Listenindex überschreitet das Maximum (index)") outside the
// list.
const std::string& LineAt(const LineList& list, int index);

// True only for an existing regular file; a directory of that name counts as absent.
bool FileExists(const std::string& path);

}  // namespace mervale

#pragma once
// Moving a list file in and out of an editable list of a settings page.

#include <string>

class CListBoxEx;

// Appends every entry of the list file to the list, in file order, with row
// data 0. False (the list unchanged) when the file cannot be read.
bool LoadListControl(const std::string& strPath, CListBoxEx& list);

// Commits an in-place edit that is still open, so typed text is not lost,
// then writes the rows top to bottom. False when the file could not be
// replaced; the old file is then left as it was.
bool SaveListControl(const std::string& strPath, CListBoxEx& list);

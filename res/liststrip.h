#pragma once
// The list button bar's four signs (add, delete, up, down) on light grey, as
// the bytes of a BMP file: 88 x 20 pixels, four 22-pixel cells, 4 bits per
// pixel with the 16 VGA colours. Loaded from memory, never from a file.

#include <cstddef>

constexpr std::size_t kListStripBytes = 998;
constexpr int kListStripWidth = 88;
constexpr int kListStripHeight = 20;
constexpr int kListStripCellWidth = 22;

extern const unsigned char g_abListStrip[kListStripBytes];

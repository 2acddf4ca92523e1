// Writes screenshots of the test display as PNG files (8-bit RGB, uncompressed deflate
// blocks: large, but needs no library).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgb holds height rows of width pixels, top row first, three bytes (R, G, B) per pixel.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

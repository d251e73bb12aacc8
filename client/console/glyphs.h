// glyphs.h: the character a cell's byte shows on screen, and UTF-8 output.
#pragma once

#include <cstdint>
#include <string>

// Code page 852, except that 0x01-0x1F and 0x7F show the IBM PC glyphs of
// those codes and 0x00 shows as a blank.
uint32_t CellCodePoint(uint8_t byte);
void AppendUtf8(std::string& out, uint32_t code_point);

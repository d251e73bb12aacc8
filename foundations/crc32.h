// crc32.h: the CRC-32 of ISO 3309 / ITU-T V.42 (reflected 0xEDB88320).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

uint32_t Crc32(const uint8_t* data, size_t n);
// The CRC of the bytes whose CRC is `crc` followed by n bytes more, so that a
// text handed in pieces gets the CRC of the whole: Crc32(data, n) is
// Crc32Continue(0, data, n).
uint32_t Crc32Continue(uint32_t crc, const uint8_t* data, size_t n);

// The CRC-32 of a text's bytes, 0 to 4294967295.
uint32_t CRC32SUM(const std::string& data);

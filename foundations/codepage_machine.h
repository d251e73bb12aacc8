// codepage_machine.h: the machine's ANSI and OEM code pages, one implementation
// per platform. On Windows these are MultiByteToWideChar / WideCharToMultiByte
// with CP_ACP and CP_OEMCP; elsewhere the ANSI page is Windows-1250 and the
// OEM page 852, converted through the Unicode code point ("?" where the target
// lacks the character).
#pragma once

#include <string>

std::string MachineAnsiToOem(const std::string& text);
std::string MachineOemToAnsi(const std::string& text);

// A minimal PNG writer for the pictures the pop-up tests leave for people to look at:
// 8-bit RGB, deflate with stored (uncompressed) blocks.
#pragma once
#include <cstdint>
#include <string>

// pixels: width x height values 0x00RRGGBB, top row first. True when the file was written.
bool writePng(const std::wstring& path, int width, int height, const std::uint32_t* pixels);

#pragma once
// The file type, the Tag of the File_Type list: which form a buffer file is
// read and written in.

namespace tarnik {

inline constexpr int File_Binary = 0;
inline constexpr int File_Intel_Hex = 1;
inline constexpr int File_Motorola_Hex = 2;
inline constexpr int File_Ascii_Hex = 3;

}  // namespace tarnik

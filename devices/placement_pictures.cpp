#include "devices/placement_pictures.h"

#include <string_view>

namespace tarnik {

namespace {

// Each picture starts after the opening line break and ends with one. Some
// lines end in a blank, which belongs to the picture.

// A part in the lower half of the adapter's socket: the 32 x 8 types.
constexpr std::string_view Lower_Text = R"(
       ==========================================
       = Prom Adapter for The Zorvik Programmer =
       ==========================================

 Zif              Zorvik Zif
 Socket            Socket->o----------------+
     -->o------------------+                |
        | .             .  |                |
        | .             .  |                |
Prom    | .             .  |                |
Adapter | .             .  |   The          |     Cable to
    --> | .             .  |   Zorvik       |==== Printer
        | .             .  |   Programmer   |     Port of
        | .             .  |                |     Computer
        | .             .  |                |
        | . +----~----+ .  |                |
        | . |         | .  |                |
Use     | . |         | .  |                |
Lower   | . |         | .  |                |
Half of | . |         | .  +----------------+
Zif     | . |         | .  |
Socket  | . |         | .  |
        | . |         | .  |
        | . +---------+ .  |
        +------------------+
)";

// A part in the upper half: the 256 x 4 and 512 x 4 types.
constexpr std::string_view Upper_Text = R"(
       ==========================================
       = Prom Adapter for The Zorvik Programmer =
       ==========================================

 Zif              Zorvik Zif
 Socket            Socket->o----------------+
     -->o------------------+                |
        | . +----~----+ .  |                |
        | . |         | .  |                |
Use     | . |         | .  |                |
Upper   | . |         | .  |   The          |     Cable to
Half of | . |         | .  |   Zorvik       |==== Printer
Zif     | . |         | .  |   Programmer   |     Port of
Socket  | . |         | .  |                |     Computer
        | . |         | .  |                |
        | . +---------+ .  |                |
        | .             .  |                |
        | .             .  |                |
Prom    | .             .  |                |
Adapter | .             .  +----------------+
    --> | .             .  |
        | .             .  |
        | .             .  |
        | .             .  |
        +------------------+
)";

// The 20-pin plug-in adapter socket and its wiring.
constexpr std::string_view Page1_Text = R"(
    ==========================================
    = Prom Adapter for The Zorvik Programmer =
    ==========================================

  This Part Requires a Adapter Socket as Follows: 

                  20 Pin Adapter 
                +-----------~-----------+
Socket Pin 18 --|  1 A0     P    VCC 20 |-- Socket Pin 24
Socket Pin 19 --|  2 A1     R     A8 19 |-- Socket Pin 30
Socket Pin 20 --|  3 A2     O     A7 18 |-- Socket Pin 31
Socket Pin 21 --|  4 A3     M     A6 17 |-- Socket Pin 1
Socket Pin 22 --|  5 A4           A5 16 |-- Socket Pin 2
 Socket Pin 9 --|  6 D0           E1 15 |-- Socket Pin 23
Socket Pin 10 --|  7 D1     C     D7 14 |-- Socket Pin 17
Socket Pin 11 --|  8 D2     H     D6 13 |-- Socket Pin 15
Socket Pin 12 --|  9 D3     I     D5 12 |-- Socket Pin 14
Socket Pin 16 --| 10 GND    P     D4 11 |-- Socket Pin 13
                +-----------------------+
)";

// The 24-pin plug-in adapter socket of the 1k x 8 type and its wiring.
constexpr std::string_view Page2_Text = R"(
    ==========================================
    = Prom Adapter for The Zorvik Programmer =
    ==========================================

  This Part Requires a Adapter Socket as Follows: 

                  24 Pin Adapter 
                +-----------~-----------+
Socket Pin 31 --|  1 A7          VCC 24 |-- Socket Pin 24
 Socket Pin 1 --|  2 A6     P     A8 23 |-- Socket Pin 30
 Socket Pin 2 --|  3 A5     R     A9 22 |-- Zorvik Zif Socket 26
Socket Pin 22 --|  4 A4     O     E1 21 |-- Socket Pin 31
Socket Pin 21 --|  5 A3     M     E2 20 |-- Socket Pin 16
Socket Pin 20 --|  6 A2           E3 19 |-- Socket Pin 34
Socket Pin 19 --|  7 A1           E4 18 |-- Socket Pin 24
Socket Pin 18 --|  8 A0     C     D7 17 |-- Socket Pin 17
 Socket Pin 9 --|  9 D0     H     D6 16 |-- Socket Pin 15
Socket Pin 10 --| 10 D1     I     D5 15 |-- Socket Pin 14
Socket Pin 11 --| 11 D2     P     D4 14 |-- Socket Pin 13
Socket Pin 16 --| 12 GND          D3 13 |-- Socket Pin 12
                +-----------------------+
)";

std::vector<std::string> Split_Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 1;  // past the opening line break
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::vector<std::string> Placement_Picture(Picture picture) {
  switch (picture) {
    case Picture::Lower: return Split_Lines(Lower_Text);
    case Picture::Upper: return Split_Lines(Upper_Text);
    case Picture::Page_1: return Split_Lines(Page1_Text);
    case Picture::Page_2: return Split_Lines(Page2_Text);
  }
  return {};
}

}  // namespace tarnik

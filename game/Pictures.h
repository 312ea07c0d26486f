// The picture set compiled into the program, addressed by ID: 100 the card
// back, 101..152 the faces (100 + card number), 153 the table tile.
#pragma once

#include <memory>

class QSvgRenderer;

namespace Pictures {

inline constexpr int FirstId = 100;
inline constexpr int LastId = 153;

// Loads picture id from the program's resources, afresh on every call.
// Returns nullptr when there is no such picture or it cannot be read.
std::unique_ptr<QSvgRenderer> load(int id);

} // namespace Pictures

// Enumerations of the flat track bar's published properties.
#pragma once

#include <cstdint>

namespace orvane::controls {

enum TThumbStyle : std::uint8_t { tsBox, tsCustom, tsMixer, tsPointer, tsFlat, tsXPPointer, tsXPBox };
enum THotTrackColorType : std::uint8_t { htctComplement, htctActual };
enum TPointerType : std::uint8_t { ptStandard, ptWin95 };
enum TTickStyle : std::uint8_t { tkStandard, tkOwnerDraw };

}  // namespace orvane::controls
